#pragma once
// The run of the setup program: the values and lists its steps share, and
// the step runner that owns every decision about going on or stopping.
#include "ide/catalogue.h"
#include "lib/line_list.h"

#include <string>

namespace setupkit::driver {

// Set once at start-up; only InstallDir changes again, in the destination step.
extern std::string AppName;
extern std::string ProductName;
extern std::string SubProductName;
extern std::string ProductVersion;
extern std::string PreviousInstallDir;
extern std::string InstallDir;
extern std::string IdeCode;
extern setupkit::IdeKind IdeKind;
extern std::string IdeHelpContents;
extern std::string IdeHelpDir;

// Created empty in this order at start-up, alive for the whole run.
extern LineList InstalledFiles;
extern LineList InstalledFolders;
extern LineList InstalledRegKeys;
extern LineList SystemFiles;
extern LineList HelpFiles;
extern LineList InstalledHelps;
// Full paths of the packages registered with the IDE (KNOWNPACKAGES), so that
// the uninstaller can unregister them and remove the ones the build made.
extern LineList InstalledPackages;

// The whole run from the naming resources to the last box. Never throws.
void RunSetup();
void RunInstallSteps();
bool ConfirmWelcome();
void RunAfterInstall();

} // namespace setupkit::driver
