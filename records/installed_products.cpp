#include "records/installed_products.h"

namespace setupkit {

// Not built yet: no family is ever found installed, and nothing is recorded so far.
TPreviousInstall FindPreviousInstall(const std::string&, const std::string&, std::string&) {
    return piNone;
}
std::string RecordedFolderName(const std::string&) { return std::string(); }
void RecordInstalledProduct(const std::string&, const std::string&, const std::string&,
                            const std::string&) {}

} // namespace setupkit
