#pragma once
#include <string>

namespace setupkit {

// Lets the user confirm or change the destination. True with `installDir`
// ending in a backslash (unless empty, possible only without the dialog);
// false when the user cancelled.
bool PromptInstallDir(std::string& installDir);

} // namespace setupkit
