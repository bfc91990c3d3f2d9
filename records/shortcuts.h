#pragma once

namespace setupkit {

// Writes the PROGLINKS shortcuts into the Start menu and lists them as installed files.
void CreateProgramLinks();

} // namespace setupkit
