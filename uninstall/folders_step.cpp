// The folders the installation created, deepest first, each only when it is
// empty by then. A folder that still holds files goes later: with the
// uninstaller, when its own program is what is left in it, with the product
// whose files are in it, or with this entry's next run when the files are
// this installation's own left-overs. A link in a folder's place is left
// alone unless it holds none of those left-overs: then the link itself goes.
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

// Every folder above a path of `paths`.
NameCounts FoldersAbove(const std::vector<std::string>& paths) {
    NameCounts folders;
    for (const std::string& path : paths)
        for (std::size_t end = path.find('\\', 3); end != std::string::npos;
             end = path.find('\\', end + 1))
            folders.Add(path.substr(0, end));
    return folders;
}

class FolderRemoval {
  public:
    explicit FolderRemoval(UninstallRun& run)
        : run_(run), kept_(FoldersAbove(run.report.keptInUse)),
          left_(FoldersAbove({run.left.files.begin(), run.left.files.end()})) {}

    void Remove(const std::string& folder) {
        if (!MayRemoveFolder(folder, run_.writeFolders)) {
            run_.report.NoteRefused(folder);
            Leave(folder);
            return;
        }
        const std::string link =
            run_.links.LinkOnTheWay(HomeFolder(folder, run_.writeFolders), folder + "\\");
        if (!link.empty() && !SameText(link, folder)) {
            if (file::FolderExists(folder)) {
                run_.report.NoteLinked(link);
                Leave(folder);
            }
            return;
        }
        if (!file::FolderExists(folder) && !IsLink(folder))
            return;
        // On a link this removes the link only, never what it leads to.
        if ((!left_.Contains(folder) || link.empty()) && ::RemoveDirectoryA(folder.c_str()))
            ++run_.report.foldersRemoved;
        else if (!link.empty())
            Linked(folder);
        else
            Keep(folder);
    }

  private:
    void Leave(const std::string& folder) { run_.left.folders.Add(folder); }

    void Linked(const std::string& folder) {
        run_.report.NoteLinked(folder);
        Leave(folder);
    }

    void Keep(const std::string& folder) {
        if (left_.Contains(folder))
            Leave(folder);
        // A file kept because another product lists it keeps its folder in use too.
        else if (HandOverFolder(run_.entry.appName, folder) || kept_.Contains(folder))
            run_.report.keptInUse.push_back(folder);
        else if (run_.self.TakeFolder(folder))
            ++run_.report.foldersRemoved;
        else
            run_.report.leftNotEmpty.push_back(folder);
    }

    UninstallRun& run_;
    const NameCounts kept_;
    const NameCounts left_;
};

} // namespace

void RemoveFolders(UninstallRun& run) {
    FolderRemoval removal(run);
    const std::vector<std::string> folders = DeepestFirst(run.entry.folders);
    for (std::size_t done = 0; done < folders.size(); ++done) {
        run.progress.Show(done, folders.size());
        removal.Remove(folders[done]);
    }
}

} // namespace setupkit::uninstall
