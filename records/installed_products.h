#pragma once
// The maker's record, per user, of which product family is installed where,
// and the key of the count of installations of each file (records/file_references.h).
#include "lib/line_list.h"

#include <string>

namespace setupkit {

enum TPreviousInstall { piNone, piOtherVersion, piSameVersion };

inline constexpr const char* kInstalledProductsPath =
    "\\Software\\Corvel Company\\InstalledProducts\\";
inline constexpr const char* kInstalledFilesPath = "\\Software\\Corvel Company\\InstalledFiles";

// `previousDir` is set to the recorded folder for piSameVersion, emptied for
// the other answers, and left alone when the family name is empty.
TPreviousInstall FindPreviousInstall(const std::string& productName, const std::string& version,
                                     std::string& previousDir);
// The family's recorded "FolderName", empty when there is none.
std::string RecordedFolderName(const std::string& productName);
// Records the family's version, folder and sub-products (";"-separated).
void RecordInstalledProduct(const std::string& productName, const std::string& subProducts,
                            const std::string& version, const std::string& installDir);
// Every sub-product ever recorded for the family, in enumeration order.
void GetInstalledSubProducts(const std::string& productName, LineList& subProducts);

} // namespace setupkit
