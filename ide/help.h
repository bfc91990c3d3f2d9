#pragma once
// Bringing the library's WinHelp files into the IDE's help contents.
#include <string>

namespace setupkit {

// Registers the HELPFILES help files in the IDE's help contents and records
// them in the uninstall entry.
void MergeHelpFiles();
void AddHelpIndex(const std::string& helpFile, const std::string& title,
                  const std::string& contentsPath);
void RemoveHelpIndex(const std::string& helpFile, const std::string& contentsPath);

} // namespace setupkit
