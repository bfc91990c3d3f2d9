#include "records/folders.h"

#include "lib/path.h"
#include "lib/win32.h"

#include <shlobj.h>

namespace setupkit {

namespace {

template <typename Query> std::string QueryFolder(Query query) {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = query(buffer, MAX_PATH + 1);
    return path::AddBackslash(length > 0 && length <= MAX_PATH ? std::string(buffer, length)
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
    return path::ExtractFileDrive(GetWindowsFolder()) + "\\Program Files\\";
}

std::string GetProgramsFolder() {
    ShellItemList items;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, items.Put())) || !items)
        return std::string();
    char buffer[MAX_PATH + 1] = {};
    return ::SHGetPathFromIDListA(items.Get(), buffer) ? path::AddBackslash(buffer) : std::string();
}

} // namespace setupkit
