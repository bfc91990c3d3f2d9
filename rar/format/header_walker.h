#pragma once
// Walks the headers of one archive format from the main header on, yielding
// file entries and stepping over everything else.
#include "rar/format/entry.h"
#include "rar/format/input_file.h"

#include <memory>

namespace rar {

class HeaderWalker {
  public:
    virtual ~HeaderWalker() = default;
    // The next file entry, false at the end of the archive. Throws
    // ArchiveError for damaged, encrypted or otherwise unreadable headers.
    virtual bool Next(Entry& entry) = 0;
    const ArchiveInfo& Info() const { return info_; }

  protected:
    ArchiveInfo info_;
};

// `start` is the offset of the signature; both read the main header at once.
std::unique_ptr<HeaderWalker> OpenHeaders14(InputFile& file, std::uint64_t start);
std::unique_ptr<HeaderWalker> OpenHeaders15(InputFile& file, std::uint64_t start);
std::unique_ptr<HeaderWalker> OpenHeaders50(InputFile& file, std::uint64_t start);

} // namespace rar
