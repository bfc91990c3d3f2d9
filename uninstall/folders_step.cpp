// The folders the installation created, deepest first, each only when it is
// empty by then. A folder that still holds files goes later: with the
// uninstaller, when its own program is what is left in it, or with the
// product whose files are in it.
#include "lib/file.h"
#include "lib/path.h"
#include "lib/text.h"
#include "uninstall/other_products.h"
#include "uninstall/steps.h"

#include <algorithm>
#include <vector>

#include <windows.h>

namespace setupkit::uninstall {
namespace {

std::size_t Depth(const std::string& folder) {
    return static_cast<std::size_t>(std::count(folder.begin(), folder.end(), '\\'));
}

std::vector<std::string> DeepestFirst(const LineList& folders) {
    std::vector<std::string> sorted(folders.begin(), folders.end());
    std::stable_sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
        return Depth(a) > Depth(b);
    });
    return sorted;
}

// A file kept because it is still counted keeps its folder in use too, also
// when what counts it is an earlier installation of this very product, which
// has no entry of its own.
bool HoldsKeptFile(const UninstallReport& report, const std::string& folder) {
    return std::any_of(report.keptInUse.begin(), report.keptInUse.end(),
                       [&](const std::string& kept) { return path::IsBelowFolder(kept, folder); });
}

void KeepFolder(UninstallRun& run, const std::string& folder) {
    if (HandOverFolder(run.entry.appName, folder) || HoldsKeptFile(run.report, folder))
        run.report.keptInUse.push_back(folder);
    else if (run.self.TakeFolder(folder))
        ++run.report.foldersRemoved;
    else
        run.report.leftNotEmpty.push_back(folder);
}

} // namespace

void RemoveFolders(UninstallRun& run) {
    for (const std::string& folder : DeepestFirst(run.entry.folders)) {
        if (!file::FolderExists(folder))
            continue;
        if (::RemoveDirectoryA(folder.c_str()))
            ++run.report.foldersRemoved;
        else
            KeepFolder(run, folder);
    }
}

} // namespace setupkit::uninstall
