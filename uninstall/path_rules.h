#pragma once
// Which paths of an uninstall entry the uninstaller may act on. An entry is
// text anyone with write access to the registry can edit, so a line is
// trusted only when it names, without detours, a place inside one of the
// folders a setup writes to. Nothing here touches the disk.
#include <string>

namespace setupkit::uninstall {

// The folders a setup writes to, without a trailing backslash; an empty one
// takes nothing in.
struct WriteFolders {
    // The entry's installation folder: its own folder may go too.
    std::string installDir;
    // Shared folders: only what lies below them.
    std::string systemDir;
    std::string helpDir;
    std::string programsDir;
};

// A rooted path that names its place one way only: backslashes between
// non-empty names, none of them "." or ".." (nor any other name that Windows
// would shorten, ending in a dot or a blank), no "/", no ":" but the drive's,
// no wildcard, and no "\\?\" or "\\.\" device form.
bool IsCanonicalPath(const std::string& path);

bool MayRemoveFile(const std::string& path, const WriteFolders& folders);
bool MayRemoveFolder(const std::string& folder, const WriteFolders& folders);

// The folder of `folders` that `path` lies in (the deepest, when several
// hold it), for a path MayRemoveFile or MayRemoveFolder accepted; the
// installation folder for itself.
std::string HomeFolder(const std::string& path, const WriteFolders& folders);

} // namespace setupkit::uninstall
