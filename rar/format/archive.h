#pragma once
// An open archive: its entries in order, and the unpacked data of the
// current one, checked against the stored checksum.
#include "rar/format/entry.h"
#include "rar/format/header_walker.h"
#include "rar/format/input_file.h"
#include "rar/lz/decoder.h"

#include <memory>

namespace rar {

class Archive {
  public:
    // Throws ArchiveError when the file is no archive we can read.
    explicit Archive(const NativePath& path);
    ~Archive();

    const ArchiveInfo& Info() const { return walker_->Info(); }
    // Moves to the next entry; false at the end of the archive.
    bool NextEntry();
    const Entry& Current() const { return entry_; }

    // Writes the current entry's data to `out` and verifies its checksum.
    // Throws ArchiveError: BadData for corrupt data or a checksum mismatch,
    // UnknownFormat for a method this library does not decode.
    void Unpack(ByteSink& out);
    // Passes over the current entry; in a solid stream that still means
    // decoding it, since later entries build on it.
    void Skip();

  private:
    Decoder& DecoderFor(const Entry& entry);
    void UnpackStored(ByteSink& out);
    void CheckUnpackable() const;

    InputFile file_;
    std::unique_ptr<HeaderWalker> walker_;
    Entry entry_;
    bool hasEntry_ = false;
    std::unique_ptr<Decoder> decoder_;
    unsigned decoderVersion_ = 0;
    std::uint64_t decoderWindow_ = 0;
    // After a failure inside a solid stream nothing that continues it can be right.
    bool solidStreamBroken_ = false;
};

} // namespace rar
