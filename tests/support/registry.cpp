#include "tests/support/registry.h"

#include <algorithm>
#include <cstdio>

namespace setupkit::e2e {
namespace {

std::string TypeName(DWORD type) {
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    }
    return "type " + std::to_string(type);
}

// Strings show their data with the terminating NUL spelled out, so a missing
// terminator shows too.
std::string DescribeData(DWORD type, const std::string& bytes) {
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return Hex(bytes);
    if (!bytes.empty() && bytes.back() == '\0')
        return "\"" + bytes.substr(0, bytes.size() - 1) + "\"\\0";
    return "\"" + bytes + "\"";
}

std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

void AddValues(HKEY key, const std::string& prefix, std::vector<std::string>& lines) {
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::string bytes(size, '\0');
        nameLength = sizeof name;
        ::RegEnumValueA(key, i, name, &nameLength, nullptr, &type,
                        reinterpret_cast<BYTE*>(bytes.data()), &size);
        bytes.resize(size);
        lines.push_back(prefix + std::string(name, nameLength) + " = " + TypeName(type) + " " +
                        DescribeData(type, bytes));
    }
}

void AddKey(HKEY root, const std::string& path, const std::string& prefix,
            std::vector<std::string>& lines) {
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    lines.push_back(prefix);
    AddValues(key.Get(), prefix, lines);
    for (const std::string& name : SubkeyNames(key.Get()))
        AddKey(root, path + "\\" + name, prefix + name + "\\", lines);
}

} // namespace

std::string Hex(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", c);
        out += hex;
    }
    return out;
}

std::string ProductRecordPath(const std::string& productName) {
    return "Software\\Corvel Company\\InstalledProducts\\" + productName;
}

std::string InstalledFilesPath() {
    return "Software\\Corvel Company\\InstalledFiles";
}

std::string UninstallEntryPath(const std::string& appName) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appName;
}

std::vector<std::string> RegistrySnapshot(HKEY root, const std::string& path) {
    std::vector<std::string> lines;
    AddKey(root, path, "\\", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool RegistryKeyExists(HKEY root, const std::string& path) {
    RegKey key;
    return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::string& path) {
    {
        RegKey key;
        if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
            return;
        for (const std::string& name : SubkeyNames(key.Get()))
            DeleteRegistryTree(root, path + "\\" + name);
    }
    ::RegDeleteKeyA(root, path.c_str());
}

void WriteRegistryValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& bytes) {
    RegKey key;
    ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                      nullptr);
    ::RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
}

} // namespace setupkit::e2e
