#pragma once
// Compiling one source of the installed library with the IDE's own
// command-line tools, hidden, with their output captured.
#include "ide/catalogue.h"

#include <string>

namespace setupkit {

// Runs `commandLine` hidden in `workFolder` and waits for it without a
// time-out. True when it started and ended with exit code 0. With `capture`,
// `log` receives its standard output line by line and the exit-code line;
// when it cannot start, the system's reason. `started` tells the two failures apart.
bool RunProgram(const std::string& commandLine, const std::string& workFolder, bool capture,
                std::string& log, bool* started = nullptr);

// Compiles `source` with the tool the IDE uses for its kind and moves the
// compiled result into `destFolder` (setting `outputPath`). On failure `log`
// holds the compiler's marker lines, or the reason the compiler could not be
// started.
bool BuildPackage(IdeKind kind, const std::string& source, const std::string& destFolder,
                  std::string& outputPath, std::string& log);
// Deletes what a successful build of `source` left beside it besides its
// result. Kept apart from the build because a package's .dcp is what the
// builds of packages that require it read.
void DeleteByProducts(const std::string& source);

} // namespace setupkit
