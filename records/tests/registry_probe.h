#pragma once
// What the tests need to look at and tidy up registry state directly,
// independently of the code under test.
#include "lib/win32.h"

#include <string>
#include <vector>

namespace setupkit::test {

struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
};

inline RawValue ReadRawValue(HKEY root, const std::string& path, const std::string& name) {
    RawValue value;
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS)
        return value;
    value.bytes.assign(size, '\0');
    if (size > 0)
        ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type,
                           reinterpret_cast<BYTE*>(&value.bytes[0]), &size);
    value.exists = true;
    return value;
}

// Value names in the order the registry enumerates them.
inline std::vector<std::string> EnumValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return names;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (::RegEnumValueA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return names;
        names.emplace_back(name, length);
    }
}

inline bool KeyExists(HKEY root, const std::string& path) {
    RegKey key;
    return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

inline void SetRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& bytes) {
    RegKey key;
    ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                      nullptr);
    ::RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
}

inline std::string DwordBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

// Removes a key with everything below it; a missing key is fine.
inline void DeleteKeyTree(HKEY root, const std::string& path) {
    {
        RegKey key;
        if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
            return;
        char name[256];
        DWORD length = sizeof(name);
        while (::RegEnumKeyExA(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS) {
            DeleteKeyTree(key.Get(), name);
            length = sizeof(name);
        }
    }
    ::RegDeleteKeyA(root, path.c_str());
}

// "/a/b" as Wine shows it: "Z:\a\b".
inline std::string WinePath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

} // namespace setupkit::test
