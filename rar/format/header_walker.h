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
    const ArchiveInfo& info() const { return info_; }

  protected:
    ArchiveInfo info_;
};

// `start` is the offset of the signature; both read the main header at once.
std::unique_ptr<HeaderWalker> OpenHeaders14(InputFile& file, std::uint64_t start);
std::unique_ptr<HeaderWalker> OpenHeaders15(InputFile& file, std::uint64_t start);
std::unique_ptr<HeaderWalker> OpenHeaders50(InputFile& file, std::uint64_t start);

// Where a signature begins within the first bytes of a file, and which one.
struct Signature {
    enum Kind { None, Rar14, Rar15, Rar50 } kind = None;
    std::uint64_t offset = 0;
};
// Looks at `offset` and beyond for the next signature, within a bounded
// stretch so that a large file that is no archive is not read whole.
Signature FindSignature(InputFile& file, std::uint64_t offset);

} // namespace rar
