#pragma once
// The installation's entry in the system's list of removable programs, with
// what the uninstaller needs to know about this run.
#include "lib/line_list.h"

#include <string>

namespace setupkit {

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
