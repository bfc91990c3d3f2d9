#pragma once
// Turning names from an archive into paths that stay inside the destination.
#include <optional>
#include <string>

namespace rar {

// The entry name as a relative path ('/' between components) that cannot
// leave the folder it is joined to: no root, drive or UNC prefix, no "." or
// ".." components, no alternate data streams, no device names. Backslashes
// count as separators. Empty when nothing usable is left.
std::string SafeRelativePath(const std::string& name);

// Whether a symbolic link stored at `linkPath` (a safe relative path) with
// the given target would point at something inside the destination.
bool LinkStaysInside(const std::string& linkPath, const std::string& target);

} // namespace rar
