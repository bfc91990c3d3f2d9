#pragma once
// The two questions asked before anything is written: an earlier
// installation with the same name, and a running IDE.
#include <string>

namespace setupkit {

// True: go on. False: the user chose to stop.
bool CheckPreviousVersion();
bool CheckRunningIde();

// The questions themselves, asked whatever the flag resources say.
bool WarnPreviousVersion(const std::string& name);
bool WarnRunningIde(const std::string& name);

// Only an entry that opens with full access counts.
bool UninstallEntryExists(const std::string& name);
// True only when all three of the IDE's main windows exist.
bool IsIdeRunning();

} // namespace setupkit
