#pragma once

namespace setupkit {

// Compiles the BUILDPACKAGES sources and registers them; a failed build aborts the run.
void BuildPackagesStep();
// Registers the ready-made PACKAGES files with the IDE.
void RegisterPackagesStep();

} // namespace setupkit
