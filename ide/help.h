#pragma once

namespace setupkit {

// Registers the HELPFILES help files in the IDE's help contents.
void MergeHelpFiles();

} // namespace setupkit
