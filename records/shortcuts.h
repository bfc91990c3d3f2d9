#pragma once
// Start-menu shortcuts to the programs of the payload.
#include <string>

namespace setupkit {

// Writes a shell link at `linkPath`; never reports failure (no link is then written).
void CreateShortcut(const std::string& linkPath, const std::string& target,
                    const std::string& description, const std::string& workingFolder);
// The caption with its extension (from the last "." after the last "\" or ":")
// changed to ".lnk".
std::string ShortcutFileName(const std::string& caption);
// Writes the PROGLINKS shortcuts into the Start menu and lists them as installed files.
void CreateProgramLinks();

} // namespace setupkit
