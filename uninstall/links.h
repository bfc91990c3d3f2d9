#pragma once
// Links (junctions and symbolic links, any reparse point) on the way to a
// recorded path. A folder of the installation may have been replaced by a
// link to somebody else's folder since: whatever lies behind it is not ours.
#include <string>
#include <unordered_map>

namespace setupkit::uninstall {

bool IsLink(const std::string& path);

class LinkFinder {
  public:
    // The first folder below `home` (itself a folder that path lies below)
    // and above `path` that is a link; empty when there is none. Each folder
    // is asked once per run, however many files it holds.
    std::string LinkOnTheWay(const std::string& home, const std::string& path);

  private:
    bool IsLinkCached(const std::string& folder);

    std::unordered_map<std::string, bool> known_;
};

} // namespace setupkit::uninstall
