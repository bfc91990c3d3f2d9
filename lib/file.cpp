#include "lib/file.h"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>

#include <cstdlib>
#endif

namespace setupkit::file {

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;
} // namespace

bool ReadAll(const std::string& path, std::string& bytes) {
    const OpenFile file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    bytes.clear();
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    return !std::ferror(file.get());
}

namespace {

// A new empty file in the folder of `path`, so that renaming it over `path`
// stays within one drive; empty when none can be made.
std::string NewFileBeside(const std::string& path) {
#ifdef _WIN32
    const auto separator = path.find_last_of("\\/:");
    const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator + 1);
    char name[MAX_PATH] = {};
    return ::GetTempFileNameA(folder.c_str(), "KV", 0, name) ? std::string(name) : std::string();
#else
    std::string name = path + ".XXXXXX";
    const int fd = ::mkstemp(&name[0]);
    if (fd < 0)
        return std::string();
    ::close(fd);
    return name;
#endif
}

// Written and on the disk before it takes the original's place: a failure
// shows here, while the original is still whole.
bool WriteToDisk(const std::string& path, const std::string& bytes) {
    OpenFile file(std::fopen(path.c_str(), "wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fflush(file.get()) != 0)
        return false;
#ifdef _WIN32
    const bool synced = ::_commit(::_fileno(file.get())) == 0;
#else
    const bool synced = ::fsync(::fileno(file.get())) == 0;
#endif
    return std::fclose(file.release()) == 0 && synced;
}

bool ReplaceWith(const std::string& replacement, const std::string& path) {
#ifdef _WIN32
    return ::MoveFileExA(replacement.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
#else
    return std::rename(replacement.c_str(), path.c_str()) == 0;
#endif
}

} // namespace

bool WriteAll(const std::string& path, const std::string& bytes) {
    const std::string replacement = NewFileBeside(path);
    if (replacement.empty())
        return false;
    if (WriteToDisk(replacement, bytes) && ReplaceWith(replacement, path))
        return true;
    std::remove(replacement.c_str());
    return false;
}

} // namespace setupkit::file

#ifdef _WIN32
namespace setupkit {

void TempFileTraits::Close(const Value& path) {
    file::DeleteFileWhenFree(path);
}

namespace file {
namespace {

constexpr DWORD InUseWaitMs = 5000;
constexpr DWORD InUseStepMs = 20;

DWORD Attributes(const std::string& path) {
    return ::GetFileAttributesA(path.c_str());
}

// What a file answers while another process holds it open without sharing.
bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Repeats `attempt` while it fails because the file is in use, up to InUseWaitMs.
template <typename Attempt> bool RetryWhileInUse(Attempt attempt) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (attempt())
            return true;
        if (!IsInUse(::GetLastError()) || ::GetTickCount() - start >= InUseWaitMs)
            return false;
        ::Sleep(InUseStepMs);
    }
}

} // namespace

bool FileExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

UniqueHandle OpenFileWhenFree(const std::string& path) {
    UniqueHandle file;
    RetryWhileInUse([&] {
        file.Reset(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.Valid();
    });
    return file;
}

bool DeleteFileWhenFree(const std::string& path) {
    return RetryWhileInUse([&] { return ::DeleteFileA(path.c_str()) != FALSE; });
}
} // namespace file
} // namespace setupkit
#endif
