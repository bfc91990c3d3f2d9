#include "lib/config_resources.h"

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

} // namespace setupkit
