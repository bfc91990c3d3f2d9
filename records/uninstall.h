#pragma once
// The installation's entry in the system's list of removable programs, with
// what the uninstaller needs to know about this run.
#include <string>

namespace setupkit {

// The uninstaller in `installDir` with the application name in quotes; the
// program path is quoted too when it holds a space.
std::string UninstallCommand(const std::string& installDir, const std::string& appName);
// Writes the uninstall entry with the run's lists and raises the file counts.
void RegisterUninstall();
// Writes the entry's "VERSION" value.
void RegisterVersion();

} // namespace setupkit
