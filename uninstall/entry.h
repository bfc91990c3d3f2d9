#pragma once
// The uninstall entry a setup wrote: what the installation consists of.
#include "lib/line_list.h"
#include "uninstall/path_rules.h"
#include "uninstall/report.h"

#include <optional>
#include <string>

namespace setupkit::uninstall {

struct UninstallEntry {
    std::string appName;
    std::string productName;
    std::string subProductName;
    std::string ideCode;
    // The folder of the program the uninstall command names, with a trailing
    // backslash; empty when the command names no program by its full path.
    std::string installDir;
    // Paths as written (FILES, FOLDERS, KNOWNPACKAGES; path_rules.h says which
    // are acted on); help file names (INSTALLEDHELPS).
    LineList files;
    LineList folders;
    LineList packages;
    LineList helps;
};

// The entry under HKEY_LOCAL_MACHINE named `appName`; nothing when there is
// no such entry or the name is empty. Values of the wrong type are noted in
// the report and read as empty.
std::optional<UninstallEntry> ReadUninstallEntry(const std::string& appName,
                                                 UninstallReport& report);
// The folders the setup of `entry` wrote to on this machine.
WriteFolders FoldersWrittenBy(const UninstallEntry& entry, UninstallReport& report);
// The entry's key under the uninstall parent key.
std::string UninstallEntryPath(const std::string& appName);

} // namespace setupkit::uninstall
