#include "tests/install_e2e/install.h"

namespace setupkit::e2e {
namespace {

bool QueryUninstallValue(const std::string& appName, const std::string& name, std::string& text) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryPath(appName).c_str(), 0, KEY_READ,
                        key.Put()) != ERROR_SUCCESS)
        return false;
    char buffer[16384] = {};
    DWORD size = sizeof buffer - 1;
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    text = buffer;
    return true;
}

} // namespace

std::string UninstallValue(const std::string& appName, const std::string& name) {
    std::string text;
    QueryUninstallValue(appName, name, text);
    return text;
}

bool HasUninstallValue(const std::string& appName, const std::string& name) {
    std::string text;
    return QueryUninstallValue(appName, name, text);
}

} // namespace setupkit::e2e
