#pragma once
// The machine folders that configuration text may name. Each ends with a
// backslash unless the system gave no folder at all.
#include <string>

namespace setupkit {

std::string GetSystemFolder();
std::string GetWindowsFolder();
// The drive of the Windows folder followed by "\Program Files\".
std::string GetProgramFilesFolder();
// The current user's Start menu Programs folder; empty when the shell cannot resolve it.
std::string GetProgramsFolder();

} // namespace setupkit
