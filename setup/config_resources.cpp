#include "setup/config_resources.h"

namespace setupkit {
namespace {

constexpr DWORD InUseWaitMs = 5000;
constexpr DWORD InUseStepMs = 20;

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

ConfigResourceData LockConfigResource(const std::string& name) {
    const HMODULE self = ::GetModuleHandleA(nullptr);
    ConfigResourceData res;
    const HRSRC found = ::FindResourceA(self, name.c_str(), MAKEINTRESOURCEA(10));
    if (!found)
        return res;
    res.handle = ::LoadResource(self, found);
    res.data = res.handle ? ::LockResource(res.handle) : nullptr;
    res.size = res.data ? ::SizeofResource(self, found) : 0;
    return res;
}

void ReleaseConfigResource(HGLOBAL handle) {
    if (handle)
        ::FreeResource(handle);
}

std::string ReadConfigResource(const std::string& name) {
    ConfigResourceLock res(name);
    if (!res.Data())
        return std::string();
    return std::string(static_cast<const char*>(res.Data()), res.Size());
}

bool IsOptionOn(const std::string& name) {
    return ReadConfigResource(name) != "No";
}

bool IsOptionYes(const std::string& name) {
    return ReadConfigResource(name) == "Yes";
}

std::string TempFolderFromAnswer(const char* buffer, DWORD length) {
    // A folder that did not fit is reported by the size it needs, with
    // nothing copied: there is then no folder, as when the system has none.
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    if (length > 3)
        return std::string(buffer, length - 1);
    return std::string(buffer, length);
}

std::string GetTempFolder() {
    char buffer[MAX_PATH];
    return TempFolderFromAnswer(buffer, ::GetTempPathA(MAX_PATH, buffer));
}

std::string MakeTempFileName(const std::string& prefix) {
    const std::string folder = GetTempFolder();
    // An empty folder would make the file in the current folder.
    if (folder.empty())
        return std::string();
    char buffer[1024] = {};
    if (!::GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer))
        return std::string();
    return buffer;
}

UniqueHandle CreateTempFile(std::string& path) {
    path = MakeTempFileName("KV");
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr));
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

} // namespace setupkit
