#pragma once
// Path texts as the setup spells them: backslash-separated, a drive ("C:") or
// a share ("\\server\share") in front. Nothing here touches the disk.
#include <string>

namespace setupkit::path {

// A non-empty path gains one trailing backslash if it has none.
std::string AddBackslash(const std::string& path);
// One trailing backslash, if present, is removed.
std::string RemoveBackslash(const std::string& path);

// Text after the last backslash or colon (the whole text when there is none).
std::string ExtractFileName(const std::string& path);
// Text up to and including the last backslash or colon.
std::string ExtractFilePath(const std::string& path);
// "C:" for a drive path, "\\server\share" for a network path, else empty.
std::string ExtractFileDrive(const std::string& path);
// The file name's last dot and what follows it; empty when the name has no dot.
std::string ExtractFileExt(const std::string& path);
// The path with its extension replaced by `extension` (added when it has none).
std::string ChangeFileExt(const std::string& path, const std::string& extension);
// True when the path's extension is `extension`, ignoring case.
bool HasExtension(const std::string& path, const std::string& extension);

// True when `path` lies somewhere below `folder` (given without a trailing
// backslash), ignoring case.
bool IsBelowFolder(const std::string& path, const std::string& folder);

// True for a path that names its place on its own: a drive letter, a colon
// and a backslash, or a share (two backslashes, a server, a backslash and a
// share name). Anything else is taken from the process's current folder and
// is no destination.
bool IsRootedPath(const std::string& path);

} // namespace setupkit::path
