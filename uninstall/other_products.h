#pragma once
// The uninstall entries of the other installations on this machine. What one
// of them still lists stays, whatever the counts say: counts live per user
// while entries are the machine's, and a reinstallation raises counts that
// no list records (see files_step.cpp).
#include "uninstall/name_counts.h"

#include <string>

namespace setupkit::uninstall {

class OtherEntries {
  public:
    // Every entry under the uninstall parent key but `appName`'s. Another
    // installation's records are not this uninstall's to report: a list it
    // cannot read counts as empty.
    static OtherEntries Read(const std::string& appName);

    // How often other entries' FILES name `path`.
    int FileCount(const std::string& path) const { return files_.Count(path); }
    // In FILES or KNOWNPACKAGES of another entry.
    bool ListFile(const std::string& path) const;
    // In KNOWNPACKAGES of another entry for the same IDE (`ideCode` as DELPHIVER
    // spells it): its registration is that entry's too.
    bool ListPackage(const std::string& ideCode, const std::string& path) const;
    // In INSTALLEDHELPS of another entry for the same IDE.
    bool ListHelp(const std::string& ideCode, const std::string& helpFile) const;

  private:
    NameCounts files_;
    NameCounts packages_;
    NameCounts idePackages_;
    NameCounts ideHelps_;
};

// When another installation has files in `folder`, the folder joins its
// FOLDERS list, so that it goes with the last product that uses it. True
// when some installation took it over.
bool HandOverFolder(const std::string& appName, const std::string& folder);

} // namespace setupkit::uninstall
