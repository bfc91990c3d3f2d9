#include "extract/paths.h"

#include <windows.h>

namespace setupkit {

std::string AddBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\')
        return path;
    return path + '\\';
}

std::string RemoveBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\')
        return path.substr(0, path.size() - 1);
    return path;
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace setupkit
