#include "extract/archive_walker.h"

#include "extract/unrar_library.h"
#include "lib/file.h"
#include "lib/path.h"
#include "lib/setup_error.h"
#include "records/folders.h"

#include <windows.h>

#include <set>

namespace setupkit {
namespace {

// Closes the archive however the walk ends.
class OpenArchive {
  public:
    OpenArchive(const std::string& path, unsigned mode) {
        RAROpenArchiveData data{};
        data.ArcName = const_cast<char*>(path.c_str());
        data.OpenMode = mode;
        handle_ = UnrarOpenArchive(data);
    }
    ~OpenArchive() {
        if (handle_)
            UnrarCloseArchive(handle_);
    }
    OpenArchive(const OpenArchive&) = delete;
    OpenArchive& operator=(const OpenArchive&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};

bool IsFolderEntry(const RARHeaderData& header) {
    return (header.FileAttr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A record must name the file written. The header's name field holds 259
// characters, and a longer archive path arrives cut while the library writes
// the whole of it; a path of MAX_PATH characters or more is one the system's
// ANSI file functions, and so the uninstaller, cannot open.
bool IsRecordable(const std::string& archivePath, const std::string& recorded) {
    return archivePath.size() < sizeof(RARHeaderData::FileName) - 1 && recorded.size() < MAX_PATH;
}

} // namespace

bool IsContainedArchivePath(const std::string& path) {
    if (path.empty() || path[0] == '\\' || path[0] == '/')
        return false;
    if (path.find(':') != std::string::npos)
        return false;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        auto end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        if (path.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

void NoteMissingFolders(const std::string& folder, LineList& folderList, bool make) {
    if (folder.empty())
        return;
    const std::string own = path::RemoveBackslash(folder);
    const std::string parent = path::ExtractFilePath(own);
    if (own.size() < 3 || file::FolderExists(own) || parent == own)
        return;
    NoteMissingFolders(parent, folderList, make);
    // A folder that cannot be made shows up as a failed write of its first file.
    if (make)
        ::CreateDirectoryA(own.c_str(), nullptr);
    folderList.Add(own);
}

namespace {

bool Walk(const std::string& archivePath, unsigned mode, const std::string& destFolder,
          const EntryCallback& callback, const LineList* systemNames, LineList* folderList,
          LineList* fileList) {
    OpenArchive archive(archivePath, mode);
    if (!archive.Get())
        return false;
    const std::string systemFolder = GetSystemFolder();
    // Each folder is looked at once per walk, not once per file.
    std::set<std::string> noted;

    RARHeaderData header{};
    for (;;) {
        const int read = UnrarReadHeader(archive.Get(), header);
        if (read == ERAR_END_ARCHIVE)
            break;
        // A header that cannot be read before the end means a damaged or
        // truncated payload: the files after it would silently be missing.
        if (read != 0)
            throw SetupError("Damaged archive after " + std::string(header.FileName));
        const std::string entry(header.FileName);
        const std::string name = path::ExtractFileName(entry);
        if (!IsContainedArchivePath(entry))
            throw SetupError("Archive entry outside the destination: " + entry);

        const bool isSystem = systemNames && systemNames->IndexOf(name) >= 0;
        std::string folder = isSystem ? systemFolder : destFolder;
        std::string destName;
        const int op = callback ? callback(header, folder, destName) : RAR_EXTRACT;
        const bool isFolder = IsFolderEntry(header);

        if (isSystem)
            destName = path::AddBackslash(folder) + name;
        const std::string recorded =
            destName.empty() ? path::AddBackslash(folder) + entry : destName;
        if (!isFolder && !IsRecordable(entry, recorded))
            return false;
        // The library makes the folders of the files it writes there: in a
        // folder it made itself, no file needs a look for a link first. A file
        // written elsewhere still has its archive folder made here.
        if (!isSystem && !isFolder && folderList && op == RAR_EXTRACT) {
            const std::string entryFolder =
                path::AddBackslash(folder) + path::ExtractFilePath(entry);
            if (noted.insert(entryFolder).second)
                NoteMissingFolders(entryFolder, *folderList, !destName.empty());
        }

        const int result =
            UnrarProcessFile(archive.Get(), op, folder.empty() ? nullptr : folder.c_str(),
                             destName.empty() ? nullptr : destName.c_str());
        // A skipped entry's result tells nothing about the installation; a
        // written one that failed leaves the product incomplete.
        if (op == RAR_EXTRACT && result != 0)
            throw SetupError("Could not extract " + entry);

        if (!isFolder && fileList)
            fileList->Add(recorded);
    }
    return true;
}

} // namespace

bool ListArchive(const std::string& archivePath, const std::string& destFolder,
                 const EntryCallback& callback, const LineList* systemNames) {
    return Walk(archivePath, RAR_OM_LIST, destFolder, callback, systemNames, nullptr, nullptr);
}

bool ExtractArchive(const std::string& archivePath, const std::string& destFolder,
                    const EntryCallback& callback, const LineList* systemNames,
                    LineList* folderList, LineList* fileList) {
    return Walk(archivePath, RAR_OM_EXTRACT, destFolder, callback, systemNames, folderList,
                fileList);
}

} // namespace setupkit
