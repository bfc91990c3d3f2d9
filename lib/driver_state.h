#pragma once
// The values and lists the steps of one run share. Kept apart from the
// driver so that a step depends on them alone, not on every other step; at
// the bottom of the layers, since steps of every layer use them. The IDE the
// run targets is kept with the kinds of IDE (ide/ide_kind.h).
#include "lib/line_list.h"

#include <string>

namespace setupkit::driver {

// Set once at start-up; only InstallDir changes again, in the destination step.
inline std::string AppName;
inline std::string ProductName;
inline std::string SubProductName;
inline std::string ProductVersion;
inline std::string PreviousInstallDir;
inline std::string InstallDir;
inline std::string IdeCode;
inline std::string IdeHelpContents;
inline std::string IdeHelpDir;

// Created empty at start-up, alive for the whole run.
inline LineList InstalledFiles;
inline LineList InstalledFolders;
inline LineList InstalledRegKeys;
inline LineList SystemFiles;
inline LineList HelpFiles;
inline LineList InstalledHelps;
// Full paths of the packages registered with the IDE (KNOWNPACKAGES), so that
// the uninstaller can unregister them and remove the ones the build made.
inline LineList InstalledPackages;

} // namespace setupkit::driver
