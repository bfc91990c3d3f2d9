#pragma once
// Folder path helpers. Folder paths passed between steps end with a backslash.
#include <string>

namespace setupkit {

// A non-empty path gains one trailing backslash if it has none.
std::string AddBackslash(const std::string& path);
// One trailing backslash, if present, is removed.
std::string RemoveBackslash(const std::string& path);
bool FolderExists(const std::string& path);
// True for a path that names its place on its own: a drive letter, a colon
// and a backslash, or a share (two backslashes, a server, a backslash and a
// share name). Anything else is taken from the process's current folder and
// is no destination.
bool IsRootedPath(const std::string& path);
// True for a file, false for a folder or nothing.
bool FileExists(const std::string& path);

} // namespace setupkit
