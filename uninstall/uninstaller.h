#pragma once
// The uninstall of one installation, from its entry to the closing box.
#include <string>

namespace setupkit::uninstall {

// Never throws. An unknown name gets a box and nothing is touched; a Cancel
// at the confirmation ends the run without a further word.
void RunUninstall(const std::string& appName);

} // namespace setupkit::uninstall
