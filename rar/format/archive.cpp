#include "rar/format/archive.h"

#include "rar/check/checked_sink.h"
#include "rar/format/signature.h"
#include "rar/format/status.h"
#include "rar/v15/decoder15.h"
#include "rar/v20/decoder20.h"
#include "rar/v29/decoder29.h"
#include "rar/v50/decoder50.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

namespace rar {
namespace {

// Reads an entry's packed bytes from the archive file.
class PackedSource : public ByteSource {
  public:
    PackedSource(InputFile& file, std::uint64_t offset, std::uint64_t size)
        : file_(file), pos_(offset), left_(size) {}

    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        if (left_ == 0 || size == 0)
            return 0;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, left_));
        const std::size_t got = file_.ReadAt(pos_, buffer, want);
        if (got == 0)
            throw ArchiveError(Status::BadData, "packed data ends early");
        pos_ += got;
        left_ -= got;
        return got;
    }

  private:
    InputFile& file_;
    std::uint64_t pos_;
    std::uint64_t left_;
};

class DiscardSink : public ByteSink {
  public:
    void Write(const std::uint8_t*, std::size_t) override {}
};

// The largest dictionary RAR 5.0 archivers write. Later archivers can ask
// for more, but no setup payload needs it and the memory must stay bounded.
// Fuzzing builds lower it so that the fuzzer's memory limit is not what it finds.
#ifdef RAR_MAX_WINDOW_BYTES
constexpr std::uint64_t kMaxWindow = RAR_MAX_WINDOW_BYTES;
#else
constexpr std::uint64_t kMaxWindow = std::uint64_t{4} << 30;
#endif

// A non-solid entry never refers further back than its own start, so its
// window need not exceed its size however large a dictionary the header names.
std::uint64_t WindowFor(const Entry& entry, bool solidArchive) {
    if (solidArchive || entry.sizeUnknown)
        return entry.windowSize;
    std::uint64_t needed = 0x40000;
    while (needed < entry.unpackedSize && needed < entry.windowSize)
        needed <<= 1;
    return std::min(needed, entry.windowSize);
}

unsigned CanonicalVersion(unsigned unpackVersion) {
    switch (unpackVersion) {
    case 10:
    case 13:
        return 15;
    case 26:
        return 20;
    default:
        return unpackVersion;
    }
}

std::unique_ptr<Decoder> MakeDecoderFor(unsigned version, std::size_t window) {
    switch (version) {
    case 15:
        return MakeDecoder15(window);
    case 20:
        return MakeDecoder20(window);
    case 29:
        return MakeDecoder29(window);
    default:
        return MakeDecoder50(window, version == 70);
    }
}

} // namespace

Archive::Archive(const NativePath& path) : file_(path) {
    const Signature signature = FindSignature(file_, 0);
    switch (signature.kind) {
    case Signature::Rar15:
        walker_ = OpenHeaders15(file_, signature.offset);
        break;
    case Signature::Rar50:
        walker_ = OpenHeaders50(file_, signature.offset);
        break;
    case Signature::Rar14:
        walker_ = OpenHeaders14(file_, signature.offset);
        break;
    case Signature::None:
        throw ArchiveError(Status::BadArchive, "not a RAR archive");
    }
}

Archive::~Archive() = default;

bool Archive::NextEntry() {
    hasEntry_ = walker_->Next(entry_);
    return hasEntry_;
}

void Archive::CheckUnpackable() const {
    if (!hasEntry_)
        throw ArchiveError(Status::Unknown, "no current entry");
    if (entry_.encrypted)
        throw ArchiveError(Status::MissingPassword, "the entry is encrypted");
    if (entry_.splitBefore)
        throw ArchiveError(Status::BadData, "the entry starts in a previous volume");
    if (entry_.splitAfter)
        throw ArchiveError(Status::ReadFailed, "the entry continues in the next volume");
}

void Archive::Unpack(ByteSink& out) {
    CheckUnpackable();
    // RAR 5 links carry their target in the header and no data at all.
    if (entry_.isDirectory || (Info().format == Format::Rar50 && entry_.link != LinkKind::None))
        return;
    CheckedSink checked(out, entry_);
    if (entry_.method == 0) {
        UnpackStored(checked);
    } else {
        if (entry_.solid && solidStreamBroken_)
            throw ArchiveError(Status::BadData, "the solid stream broke in an earlier entry");
        Decoder& decoder = DecoderFor(entry_);
        PackedSource packed(file_, entry_.dataOffset, entry_.packedSize);
        try {
            decoder.Decode(packed, entry_.unpackedSize, checked, entry_.solid);
        } catch (const DataError& e) {
            solidStreamBroken_ = true;
            throw ArchiveError(Status::BadData, e.what());
        } catch (const MemoryError& e) {
            solidStreamBroken_ = true;
            throw ArchiveError(Status::NoMemory, e.what());
        } catch (const std::bad_alloc&) {
            solidStreamBroken_ = true;
            throw ArchiveError(Status::NoMemory, "out of memory");
        } catch (const ArchiveError&) {
            solidStreamBroken_ = true;
            throw;
        }
        solidStreamBroken_ = false;
    }
    checked.Verify();
}

void Archive::Skip() {
    if (!hasEntry_)
        return;
    const bool feedsLaterEntries = Info().solid && entry_.method != 0 && !entry_.isDirectory;
    if (!feedsLaterEntries)
        return;
    DiscardSink discard;
    Unpack(discard);
}

void Archive::UnpackStored(ByteSink& out) {
    if (!entry_.sizeUnknown && entry_.packedSize != entry_.unpackedSize)
        throw ArchiveError(Status::BadData, "stored entry with mismatched sizes");
    PackedSource packed(file_, entry_.dataOffset, entry_.packedSize);
    // Pieces that stay in the processor's cache between the read, the checksum
    // and the write (1 MB pieces measured 5 % slower on a 200 MiB install); a
    // small entry needs no more than its size.
    constexpr std::uint64_t kChunk = 1 << 16;
    const auto chunk =
        static_cast<std::size_t>(std::max<std::uint64_t>(1, std::min(kChunk, entry_.packedSize)));
    // Left uninitialised: every byte passed on has just been read into it.
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[chunk]);
    while (std::size_t got = packed.Read(buffer.get(), chunk))
        out.Write(buffer.get(), got);
}

Decoder& Archive::DecoderFor(const Entry& entry) {
    // Version 36 never left a pre-release archiver; the classic library
    // refuses it like any other version it does not know.
    // Version 26 is version 20 for files of 2 GB and more, and the oldest
    // format's versions are the 1.5 method before it grew: one decoder each.
    const unsigned version = CanonicalVersion(entry.unpackVersion);
    if (version != 15 && version != 20 && version != 29 && version != 50 && version != 70)
        throw ArchiveError(Status::UnknownFormat, "unsupported compression version");
    if (entry.sizeUnknown)
        throw ArchiveError(Status::UnknownFormat, "compressed entry of unknown size");
    const std::uint64_t window = WindowFor(entry, Info().solid);
    if (window > kMaxWindow || window > std::numeric_limits<std::size_t>::max() / 2)
        throw ArchiveError(Status::NoMemory, "dictionary larger than this library allows");
    const bool reusable = decoder_ && decoderVersion_ == version &&
                          (entry.solid ? decoderWindow_ >= window : decoderWindow_ == window);
    if (!reusable) {
        if (entry.solid && decoder_)
            throw ArchiveError(Status::BadData, "solid entry changes the compression");
        decoder_.reset();
        try {
            const auto size = static_cast<std::size_t>(window);
            decoder_ = MakeDecoderFor(version, size);
        } catch (const std::bad_alloc&) {
            throw ArchiveError(Status::NoMemory, "cannot allocate the dictionary");
        } catch (const MemoryError& e) {
            throw ArchiveError(Status::NoMemory, e.what());
        }
        if (!decoder_)
            throw ArchiveError(Status::UnknownFormat, "compression method not supported");
        decoderVersion_ = version;
        decoderWindow_ = window;
    }
    return *decoder_;
}

} // namespace rar
