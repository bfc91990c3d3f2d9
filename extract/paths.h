#pragma once
// Folder path helpers. Folder paths passed between steps end with a backslash.
#include <string>

namespace setupkit {

// A non-empty path gains one trailing backslash if it has none.
std::string AddBackslash(const std::string& path);
// One trailing backslash, if present, is removed.
std::string RemoveBackslash(const std::string& path);
bool FolderExists(const std::string& path);

} // namespace setupkit
