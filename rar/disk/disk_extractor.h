#pragma once
// Puts entries of an open archive on disk: folders, files, and links written
// so that nothing lands outside the destination or passes through a link.
#include "rar/format/archive.h"
#include "rar/os/file_system.h"

#include <map>
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
    void WriteFile(const NativePath& path, ByteSink* observer);
    void WriteSymlink(const NativePath& path, const std::string& safeName, ByteSink* observer);
    void WriteCopy(const NativePath& path);
    std::string LinkTarget(ByteSink* observer);

    Archive& archive_;
    // Where each entry's data went, by safe archive path: the sources of
    // hard links and file copies that come later in the archive.
    std::map<std::string, NativePath> written_;
    // A file's bytes on their way to disk, kept between files.
    std::vector<std::uint8_t> block_;
};

} // namespace rar
