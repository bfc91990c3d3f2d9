#pragma once
// The uninstall entries of the other installations on this machine.
#include <string>

namespace setupkit::uninstall {

// When another installation has files in `folder`, the folder joins its
// FOLDERS list, so that it goes with the last product that uses it. True
// when some installation took it over.
bool HandOverFolder(const std::string& appName, const std::string& folder);

} // namespace setupkit::uninstall
