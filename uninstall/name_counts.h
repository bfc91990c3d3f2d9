#pragma once
// How often each name occurs in a list, names compared as the registry
// compares them (the letters A-Z ignoring case). Looking a name up costs the
// same however long the lists are: an entry may list a hundred thousand files.
#include "lib/line_list.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace setupkit::uninstall {

class NameCounts {
  public:
    void Add(const std::string& name, int times = 1);
    // 0 for a name never added.
    int Count(const std::string& name) const;
    bool Contains(const std::string& name) const { return Count(name) > 0; }

  private:
    std::unordered_map<std::string, int> counts_;
};

// The names of `lines`, each once in the spelling and place of its first
// occurrence, with how often it occurs.
struct Occurrence {
    std::string name;
    int times;
};
std::vector<Occurrence> Occurrences(const LineList& lines);

} // namespace setupkit::uninstall
