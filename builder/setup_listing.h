#pragma once
// What a built setup holds, without running it: its configuration resources
// as text and its archive's entries with size, method and where the setup
// will put each one (the destination, the system folder or the IDE's help
// folder), read with our RAR library.
#include <ostream>
#include <string>

namespace setupkit::builder {

// Throws BuildError when the file is no setup or its archive cannot be read.
void ListSetup(const std::string& setupPath, std::ostream& out);

} // namespace setupkit::builder
