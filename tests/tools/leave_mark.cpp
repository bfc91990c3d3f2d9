// Stands in for a product's program that the setup offers to open at the
// end. It leaves "mark.txt" in its current folder holding that folder and
// its own path, so that a test sees that it ran, and from where.
#include "lib/win32.h"

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string mark = std::string(folder) + "\r\n" + self + "\r\n";
    setupkit::UniqueHandle file(::CreateFileA("mark.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr);
    return 0;
}
