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

UniqueHandle CreateTempFile(std::string& path) {
    path = MakeTempFileName("KV");
    // The file is new and empty, so it is opened as it is rather than
    // truncated: under Wine, Linux writes a truncated file out to disk when it
    // is closed, a tenth of a second for a 200 MB archive that is read back
    // at once and then deleted. The attributes a truncating open would set
    // are set here instead.
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_ARCHIVE);
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr));
}

} // namespace setupkit
