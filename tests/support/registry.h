#pragma once
// Looking at and tidying the registry keys a setup run writes, with plain
// Win32 calls that share nothing with the code under test.
#include "lib/win32.h"

#include <string>
#include <utility>
#include <vector>

namespace setupkit::e2e {

// Where the setup keeps its records (relative to HKEY_CURRENT_USER) and its
// uninstall entries (relative to HKEY_LOCAL_MACHINE).
std::string ProductRecordPath(const std::string& productName);
std::string InstalledFilesPath();
std::string UninstallEntryPath(const std::string& appName);

// Every key and value under root\path as sorted lines: "key\" for a key,
// "key\name = TYPE data" for a value (strings quoted, other data in hex).
// Empty when the key does not exist.
// Bytes as upper-case hex digits, two a byte.
std::string Hex(const std::string& bytes);

std::vector<std::string> RegistrySnapshot(HKEY root, const std::string& path);
bool RegistryKeyExists(HKEY root, const std::string& path);
// Removes a key with everything below it; a missing key is fine.
void DeleteRegistryTree(HKEY root, const std::string& path);
void WriteRegistryValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& bytes);

} // namespace setupkit::e2e
