#include "tests/support/scratch.h"

#include "lib/win32.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace setupkit::e2e {
namespace {

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    for (char& c : name)
        if (c == '/' || c == '\\' || c == ':')
            c = '_';
    return name;
}

std::string TempFolder() {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
    std::string folder(buffer, length);
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

template <typename Visit> void ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find)
        return;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileA(find.Get(), &data));
}

} // namespace

ScratchFolder::ScratchFolder() {
    static int counter = 0;
    path_ = TempFolder() + "\\e2e-" + TestName() + "-" + std::to_string(::GetCurrentProcessId()) +
            "-" + std::to_string(++counter);
    RemoveFolder(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    RemoveFolder(path_);
}

std::string ScratchFolder::File(const std::string& name) const {
    return path_ + "\\" + name;
}

std::string ScratchFolder::MakeFolder(const std::string& name) const {
    std::string path = path_;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('\\', start), name.size());
        path += "\\" + name.substr(start, end - start);
        ::CreateDirectoryA(path.c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    return file::ReadAll(path, bytes) ? bytes : std::string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size())
        ADD_FAILURE() << "cannot write " << path;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        if (!isFolder) {
            names.push_back(name);
            return;
        }
        names.push_back(name + "\\");
        for (const std::string& inner : ListFolder(folder + "\\" + name))
            names.push_back(name + "\\" + inner);
    });
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveFolder(const std::string& folder) {
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        const std::string path = folder + "\\" + name;
        if (isFolder) {
            RemoveFolder(path);
        } else {
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    });
    ::RemoveDirectoryA(folder.c_str());
}

void AgeFolder(const std::string& folder) {
    UniqueHandle handle(::CreateFileA(folder.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 60ULL * 10000000ULL;
    const FILETIME before{time.LowPart, time.HighPart};
    if (!::SetFileTime(handle.Get(), nullptr, &before, &before))
        ADD_FAILURE() << "cannot age " << folder;
}

} // namespace setupkit::e2e
