#include "records/registry.h"

#include "lib/setup_error.h"

#include <algorithm>

namespace setupkit {

namespace {

// The records spell their paths from the root ("\Software\..."); the
// registry functions want them relative to it.
std::string RelativePath(const std::string& path) {
    return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

[[noreturn]] void RaiseInvalidType(const std::string& name) {
    throw SetupError("Invalid data type for '" + name + "'");
}

bool QueryValue(HKEY key, const std::string& name, DWORD& type, DWORD& size) {
    size = 0;
    return ::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// The text of a string value of `size` bytes, cut at its first zero
// character; false when the data cannot be read.
bool ReadStringData(HKEY key, const std::string& name, DWORD size, std::string& text) {
    text.assign(size, '\0');
    DWORD type = 0;
    if (size > 0 && ::RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS)
        return false;
    text.resize(size);
    text.erase(std::min(text.find('\0'), text.size()));
    return true;
}

} // namespace

RegistryKey RegistryKey::Open(HKEY root, const std::string& path) {
    const std::string relative = RelativePath(path);
    RegKey key;
    if (::RegOpenKeyExA(root, relative.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS &&
        ::RegOpenKeyExA(root, relative.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        key.Reset();
    return RegistryKey(std::move(key));
}

RegistryKey RegistryKey::Create(HKEY root, const std::string& path) {
    const std::string relative = RelativePath(path);
    RegKey key;
    if (::RegCreateKeyExA(root, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        throw SetupError("Failed to create key " + relative);
    return RegistryKey(std::move(key));
}

bool RegistryKey::ValueExists(const std::string& name) const {
    DWORD type = 0;
    DWORD size = 0;
    return IsOpen() && QueryValue(key_.Get(), name, type, size);
}

std::string RegistryKey::ReadString(const std::string& name) const {
    DWORD type = 0;
    DWORD size = 0;
    // A value without data reads as empty whatever its type.
    if (!IsOpen() || !QueryValue(key_.Get(), name, type, size) || size == 0)
        return std::string();
    if (!IsStringType(type))
        RaiseInvalidType(name);
    std::string text;
    if (!ReadStringData(key_.Get(), name, size, text))
        throw SetupError("Failed to get data for '" + name + "'");
    return text;
}

DWORD RegistryKey::ReadInteger(const std::string& name) const {
    DWORD type = 0;
    DWORD size = 0;
    if (!IsOpen() || !QueryValue(key_.Get(), name, type, size))
        return 0;
    if (type != REG_DWORD || size != sizeof(DWORD))
        RaiseInvalidType(name);
    DWORD value = 0;
    if (::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        throw SetupError("Failed to get data for '" + name + "'");
    return value;
}

void RegistryKey::WriteString(const std::string& name, const std::string& value) {
    if (!IsOpen() || ::RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw SetupError("Failed to set data for '" + name + "'");
}

void RegistryKey::WriteInteger(const std::string& name, DWORD value) {
    if (!IsOpen() ||
        ::RegSetValueExA(key_.Get(), name.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&value), sizeof(value)) != ERROR_SUCCESS)
        throw SetupError("Failed to set data for '" + name + "'");
}

std::vector<std::string> RegistryKey::ValueNames() const {
    std::vector<std::string> names;
    if (!IsOpen())
        return names;
    // The longest name the registry allows, so that no name is cut or skipped.
    std::string buffer(16384, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (::RegEnumValueA(key_.Get(), index, &buffer[0], &length, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS)
            return names;
        names.push_back(buffer.substr(0, length));
    }
}

std::size_t RegistryKey::ValueCount() const {
    DWORD count = 0;
    if (!IsOpen() ||
        ::RegQueryInfoKeyA(key_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    return count;
}

std::vector<std::string> RegistryKey::SubkeyNames() const {
    std::vector<std::string> names;
    if (!IsOpen())
        return names;
    // Key names are at most 255 characters.
    char buffer[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof buffer;
        if (::RegEnumKeyExA(key_.Get(), index, buffer, &length, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS)
            return names;
        names.emplace_back(buffer, length);
    }
}

bool RegistryKey::DeleteValue(const std::string& name) {
    return IsOpen() && ::RegDeleteValueA(key_.Get(), name.c_str()) == ERROR_SUCCESS;
}

void DeleteRegistryKey(HKEY root, const std::string& path) {
    ::RegDeleteKeyA(root, RelativePath(path).c_str());
}

RegKey CreateRegKey(HKEY parent, const std::string& subKey) {
    RegKey key;
    // The registry would answer an empty name with the parent itself, and
    // the values meant for a key of their own would land among its neighbours'.
    if (subKey.empty())
        return key;
    if (::RegCreateKeyExA(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        key.Reset();
    return key;
}

void WriteRegString(HKEY key, const std::string& name, const std::string& value) {
    ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
}

bool ReadStringValue(HKEY key, const std::string& name, std::string& text) {
    DWORD type = 0;
    DWORD size = 0;
    return QueryValue(key, name, type, size) && IsStringType(type) &&
           ReadStringData(key, name, size, text);
}

} // namespace setupkit
