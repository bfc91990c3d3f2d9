#include "setup/config_resources.h"

namespace setupkit {

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

} // namespace setupkit
