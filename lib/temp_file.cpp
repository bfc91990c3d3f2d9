#include "lib/temp_file.h"

namespace setupkit {

std::string TempFolderFromAnswer(const char* buffer, DWORD length) {
    // A folder that did not fit is reported by the size it needs, with
    // nothing copied: there is then no folder, as when the system has none.
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    if (length > 3)
        return std::string(buffer, length - 1);
    return std::string(buffer, length);
}

std::string GetTempFolder() {
    char buffer[MAX_PATH];
    return TempFolderFromAnswer(buffer, ::GetTempPathA(MAX_PATH, buffer));
}

std::string MakeTempFileName(const std::string& prefix) {
    const std::string folder = GetTempFolder();
    // An empty folder would make the file in the current folder.
    if (folder.empty())
        return std::string();
    char buffer[1024] = {};
    if (!::GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer))
        return std::string();
    return buffer;
}

} // namespace setupkit
