#include "uninstall/path_rules.h"

#include "lib/path.h"
#include "lib/text.h"

namespace setupkit::uninstall {
namespace {

bool IsCanonicalName(const std::string& name) {
    return !name.empty() && name.back() != '.' && name.back() != ' ' &&
           name.find_first_of("/:*?\"<>|") == std::string::npos;
}

// The names after the drive ("C:") or the share ("\\server\share").
bool HasCanonicalNames(const std::string& path, std::size_t start) {
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (!IsCanonicalName(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    // A trailing backslash would leave an empty last name.
    return path.back() != '\\';
}

std::size_t NamesStart(const std::string& path) {
    if (path[0] != '\\')
        return 3;
    const std::size_t share = path.find('\\', 2);
    return share + 1;
}

// A drive or a share on its own is everybody's: no setup installs into it.
bool IsUsableInstallDir(const std::string& folder) {
    if (!IsCanonicalPath(folder))
        return false;
    return folder[0] == '\\' ? folder.find('\\', NamesStart(folder)) != std::string::npos
                             : folder.size() > 3;
}

bool IsBelow(const std::string& path, const std::string& folder) {
    return !folder.empty() && path::IsBelowFolder(path, folder);
}

bool IsBelowSharedFolder(const std::string& path, const WriteFolders& folders) {
    return IsBelow(path, folders.systemDir) || IsBelow(path, folders.helpDir) ||
           IsBelow(path, folders.programsDir);
}

bool IsInInstallDir(const std::string& path, const WriteFolders& folders) {
    return IsUsableInstallDir(folders.installDir) && IsBelow(path, folders.installDir);
}

} // namespace

bool IsCanonicalPath(const std::string& path) {
    // "\\?\C:\x" and "\\.\C:\x" would pass for a share named "C:" on server "?".
    if (!path::IsRootedPath(path) || path.compare(0, 3, "\\\\?") == 0 ||
        path.compare(0, 3, "\\\\.") == 0)
        return false;
    const std::size_t start = NamesStart(path);
    if (path[0] == '\\' && !IsCanonicalName(path.substr(2, start - 3)))
        return false;
    return start >= path.size() || HasCanonicalNames(path, start);
}

bool MayRemoveFile(const std::string& path, const WriteFolders& folders) {
    return IsCanonicalPath(path) &&
           (IsInInstallDir(path, folders) || IsBelowSharedFolder(path, folders));
}

bool MayRemoveFolder(const std::string& folder, const WriteFolders& folders) {
    if (!IsCanonicalPath(folder))
        return false;
    const bool isInstallDir =
        IsUsableInstallDir(folders.installDir) && SameText(folder, folders.installDir);
    return isInstallDir || IsInInstallDir(folder, folders) || IsBelowSharedFolder(folder, folders);
}

std::string HomeFolder(const std::string& path, const WriteFolders& folders) {
    std::string home = SameText(path, folders.installDir) ? path : std::string();
    for (const std::string* folder :
         {&folders.installDir, &folders.systemDir, &folders.helpDir, &folders.programsDir})
        if (IsBelow(path, *folder) && folder->size() > home.size())
            home = *folder;
    return home;
}

} // namespace setupkit::uninstall
