#include "records/folders.h"

#include "lib/win32.h"

#include <shlobj.h>

namespace setupkit {

namespace {

std::string WithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

template <typename Query> std::string QueryFolder(Query query) {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = query(buffer, MAX_PATH + 1);
    return WithBackslash(length > 0 && length <= MAX_PATH ? std::string(buffer, length)
                                                          : std::string());
}

} // namespace

std::string GetSystemFolder() {
    return QueryFolder(::GetSystemDirectoryA);
}

std::string GetWindowsFolder() {
    return QueryFolder(::GetWindowsDirectoryA);
}

std::string GetProgramFilesFolder() {
    return ExtractFileDrive(GetWindowsFolder()) + "\\Program Files\\";
}

std::string GetProgramsFolder() {
    LPITEMIDLIST items = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &items)) || !items)
        return std::string();
    char buffer[MAX_PATH + 1] = {};
    const bool resolved = ::SHGetPathFromIDListA(items, buffer) != FALSE;
    ::CoTaskMemFree(items);
    return resolved ? WithBackslash(buffer) : std::string();
}

std::string ExtractFileDrive(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    if (path.size() < 2 || path[0] != '\\' || path[1] != '\\')
        return std::string();
    // \\server\share: the drive ends before the backslash after the share.
    const std::size_t server = path.find('\\', 2);
    if (server == std::string::npos)
        return path;
    const std::size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path : path.substr(0, share);
}

} // namespace setupkit
