#pragma once
// Bringing the library's WinHelp files into the IDE's help contents.

namespace setupkit {

// Registers the HELPFILES help files in the IDE's help contents and records
// them in the uninstall entry.
void MergeHelpFiles();

} // namespace setupkit
