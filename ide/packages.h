#pragma once
// Making the installed library's packages known to the target IDE.
#include "ide/catalogue.h"

#include <string>

namespace setupkit {

// Compiles the BUILDPACKAGES sources and registers them; a failed build shows
// the compiler's output and aborts the run.
void BuildPackagesStep();
// Registers the ready-made PACKAGES files with the IDE.
void RegisterPackagesStep();

// The first installed file whose name is `fileName` (ignoring case), or empty.
std::string FindInstalledFile(const std::string& fileName);
// Lists a package under the IDE's Known Packages key; failures are ignored.
void RegisterKnownPackage(IdeKind kind, const std::string& description, const std::string& path);

} // namespace setupkit
