#include "uninstall/links.h"

#include "lib/text.h"

#include <windows.h>

namespace setupkit::uninstall {

bool IsLink(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string LinkFinder::LinkOnTheWay(const std::string& home, const std::string& path) {
    for (std::size_t end = path.find('\\', home.size() + 1); end != std::string::npos;
         end = path.find('\\', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (IsLinkCached(folder))
            return folder;
    }
    return std::string();
}

bool LinkFinder::IsLinkCached(const std::string& folder) {
    const auto [place, isNew] = known_.emplace(UpperCase(folder), false);
    if (isNew)
        place->second = IsLink(folder);
    return place->second;
}

} // namespace setupkit::uninstall
