#pragma once
// The maker's record, per user, of which product family is installed where.
#include <string>

namespace setupkit {

enum TPreviousInstall { piNone, piOtherVersion, piSameVersion };

// `previousDir` is set to the recorded folder only for piSameVersion.
TPreviousInstall FindPreviousInstall(const std::string& productName, const std::string& version,
                                     std::string& previousDir);
// The family's recorded "FolderName", empty when there is none.
std::string RecordedFolderName(const std::string& productName);
void RecordInstalledProduct(const std::string& productName, const std::string& subProducts,
                            const std::string& version, const std::string& installDir);

} // namespace setupkit
