#pragma once
// The installation's entry in the system's list of removable programs, with
// what the uninstaller needs to know about this run.
#include "lib/line_list.h"
#include "lib/win32.h"

#include <string>

namespace setupkit {

inline constexpr const char* kUninstallParentPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The uninstall parent key under HKEY_LOCAL_MACHINE and the application's key
// below it; either may be missing, and an application without a name has none.
struct UninstallKeys {
    RegKey parent;
    RegKey app;
};
UninstallKeys OpenUninstallKey(const std::string& appName);
void WriteUninstallValue(const std::string& appName, const std::string& valueName,
                         const std::string& text);
// A string value of the application's entry, cut at its first zero character;
// empty when the entry or the value is missing or the value is no string.
std::string ReadUninstallValue(const std::string& appName, const std::string& valueName);
// "DisplayName" and "UninstallString" of the application's entry.
void WriteUninstallEntry(const std::string& appName, const std::string& command);

// The uninstaller in `installDir` with the application name in quotes; the
// program path is quoted too when it holds a space.
std::string UninstallCommand(const std::string& installDir, const std::string& appName);
// Writes the uninstall entry with the run's lists and raises the file counts.
void RegisterUninstall();
// Writes the entry's "VERSION" value.
void RegisterVersion();

// The entries of the list text `recorded` that `current` lacks, each once
// (letter case ignored), followed by every entry of `current`.
LineList MergeRecordedList(const std::string& recorded, const LineList& current);
// Writes a list value of the application's entry as what the entry recorded
// under that name before merged with `current`: a reinstallation finds its
// folders present and creates none, yet the uninstaller must still remove them.
void WriteUninstallList(const std::string& appName, const std::string& valueName,
                        const LineList& current);

} // namespace setupkit
