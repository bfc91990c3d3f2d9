#pragma once
// Puts entries of an open archive on disk: folders, files, and links written
// so that nothing lands outside the destination or passes through a link.
#include "rar/disk/name_table.h"
#include "rar/format/archive.h"
#include "rar/os/file_system.h"

#include <functional>
#include <string>
#include <vector>

namespace rar {

class DiskExtractor {
  public:
    explicit DiskExtractor(Archive& archive) : archive_(archive) {}

    // Writes the current entry. With an empty `destName` it goes under
    // `destFolder` by its (made safe) archive path, creating folders;
    // otherwise exactly to `destName`. `observer`, when given, also receives
    // the unpacked bytes. Throws ArchiveError.
    void Extract(const NativePath& destFolder, const NativePath& destName, ByteSink* observer);

  private:
    // Where an entry goes, and whether that is in a folder this extraction
    // made, where only names it wrote can be.
    struct Placement {
        NativePath path;
        bool inMadeFolder = false;
    };

    Placement Place(const NativePath& destFolder, const NativePath& destName,
                    const std::string& safeName);
    void MakeDestination(const NativePath& destFolder);
    Placement PrepareBelow(const NativePath& base, const std::string& relative, bool lastIsFolder);
    void MakeRealFolder(const NativePath& path, bool isLast);
    void Remove(const NativePath& path);
    void Forget();
    File CreateOutput(const Placement& placed, const std::function<Placement()>& place);
    void WriteFile(File file, const NativePath& path, ByteSink* observer);
    void WriteSymlink(const NativePath& path, const std::string& safeName, ByteSink* observer);
    void WriteCopy(const NativePath& path);
    std::string LinkTarget(ByteSink* observer);

    Archive& archive_;
    // Folders this extraction made or found to be real folders, never links:
    // later entries below them are written without looking along the path
    // again, one call each instead of several per folder level. True for
    // those it made itself: every name in them is one it wrote, so none can
    // be a link it has to replace.
    NameTable<NativePath, bool> folders_;
    // Where each entry's data went, by safe archive path: the sources of
    // hard links and file copies that come later in the archive.
    NameTable<std::string, NativePath> written_;
    // A file's bytes on their way to disk, kept between files.
    std::vector<std::uint8_t> block_;
};

} // namespace rar
