#include "uninstall/name_counts.h"

#include "lib/text.h"

namespace setupkit::uninstall {

void NameCounts::Add(const std::string& name, int times) {
    counts_[UpperCase(name)] += times;
}

int NameCounts::Count(const std::string& name) const {
    const auto found = counts_.find(UpperCase(name));
    return found == counts_.end() ? 0 : found->second;
}

std::vector<Occurrence> Occurrences(const LineList& lines) {
    std::vector<Occurrence> occurrences;
    std::unordered_map<std::string, std::size_t> places;
    for (const std::string& line : lines) {
        const auto [place, isNew] = places.emplace(UpperCase(line), occurrences.size());
        if (isNew)
            occurrences.push_back({line, 1});
        else
            ++occurrences[place->second].times;
    }
    return occurrences;
}

} // namespace setupkit::uninstall
