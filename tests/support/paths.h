#pragma once
// Where the tests find what the build made. The build passes Linux paths;
// Wine shows the Linux file system as drive Z:, so that is the one mapping
// used for every built file.
#include <string>

namespace setupkit::e2e {

// "/a/b" as Wine sees it: "Z:\a\b".
std::string WindowsPath(const std::string& linuxPath);

} // namespace setupkit::e2e
