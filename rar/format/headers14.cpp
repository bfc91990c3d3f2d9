// Headers of RAR 1.3/1.4 archives: a 7-byte main header after the "RE~^"
// signature, then per file a fixed 21-byte header, the name, an optional
// comment, and the packed data. Nothing is checksummed and there is no end
// block: the archive ends where the file does.
#include "rar/format/field_reader.h"
#include "rar/format/header_walker.h"
#include "rar/format/names.h"

#include <string>

namespace rar {
namespace {

enum MainFlags : std::uint8_t {
    kMainVolume = 0x01,
    kMainComment = 0x02,
    kMainLock = 0x04,
    kMainSolid = 0x08,
};

enum FileFlags : std::uint8_t {
    kFileSplitBefore = 0x01,
    kFileSplitAfter = 0x02,
    kFilePassword = 0x04,
};

constexpr std::size_t kMainSize = 7;
constexpr std::size_t kFileFixedSize = 21;
constexpr std::uint8_t kDirectoryAttribute = 0x10;
// The only window the 1.3 method knows.
constexpr std::uint64_t kWindow = 0x10000;
// The version byte reads 2 in archives of 1.3 and later; what came before
// decoded the same way.
constexpr unsigned kUnpackVersion13 = 13;
constexpr unsigned kUnpackVersion10 = 10;

class Headers14 : public HeaderWalker {
  public:
    Headers14(InputFile& file, std::uint64_t start) : file_(file), pos_(start) {
        info_.format = Format::Rar14;
        info_.sfxSize = start;
        ReadMain();
    }

    bool Next(Entry& entry) override {
        std::uint8_t fixed[kFileFixedSize];
        if (file_.ReadAt(pos_, fixed, kFileFixedSize) < kFileFixedSize)
            return false;
        entry = Entry{};
        const std::uint16_t headSize = ParseFixed(fixed, entry);
        ChainSolid(entry);
        entry.dataOffset = pos_ + headSize;
        pos_ = entry.dataOffset + entry.packedSize;
        return true;
    }

  private:
    // Fills `entry` from the fixed header and the name; returns the head size.
    std::uint16_t ParseFixed(const std::uint8_t* fixed, Entry& entry) {
        FieldReader in(fixed, kFileFixedSize);
        entry.packedSize = in.U32();
        entry.unpackedSize = in.U32();
        entry.crc = in.U16();
        entry.hasOldChecksum = true;
        const std::uint16_t headSize = in.U16();
        entry.dosTime = in.U32();
        entry.attributes = in.U8();
        const std::uint8_t flags = in.U8();
        const std::uint8_t version = in.U8();
        const std::uint8_t nameSize = in.U8();
        entry.method = in.U8();
        if (headSize < kFileFixedSize + nameSize)
            throw ArchiveError(Status::BadData, "file header too small for its name");
        std::string name(nameSize, '\0');
        file_.ReadExactly(pos_ + kFileFixedSize, reinterpret_cast<std::uint8_t*>(name.data()),
                          nameSize);
        entry.name = ToForwardSlashes(LegacyNameToUtf8(name.substr(0, name.find('\0'))));
        entry.unpackVersion = version == 2 ? kUnpackVersion13 : kUnpackVersion10;
        entry.isDirectory = (entry.attributes & kDirectoryAttribute) != 0;
        entry.windowSize = entry.isDirectory ? 0 : kWindow;
        entry.encrypted = flags & kFilePassword;
        entry.splitBefore = flags & kFileSplitBefore;
        entry.splitAfter = flags & kFileSplitAfter;
        return headSize;
    }

    // Every compressed file of a solid archive after the first goes on from
    // the state the one before it left; stored files take no part.
    void ChainSolid(Entry& entry) {
        const bool compressed = entry.method != 0 && !entry.isDirectory;
        entry.solid = info_.solid && compressed && compressedBefore_;
        compressedBefore_ = compressedBefore_ || compressed;
    }

    void ReadMain() {
        std::uint8_t fixed[kMainSize];
        if (file_.ReadAt(pos_, fixed, kMainSize) < kMainSize)
            throw ArchiveError(Status::BadArchive, "no main archive header");
        FieldReader in(fixed + 4, kMainSize - 4);
        const std::uint16_t headSize = in.U16();
        const std::uint8_t flags = in.U8();
        if (headSize < kMainSize)
            throw ArchiveError(Status::BadArchive, "main archive header too small");
        info_.volume = flags & kMainVolume;
        info_.hasComment = flags & kMainComment;
        info_.locked = flags & kMainLock;
        info_.solid = flags & kMainSolid;
        pos_ += headSize;
    }

    InputFile& file_;
    std::uint64_t pos_;
    bool compressedBefore_ = false;
};

} // namespace

std::unique_ptr<HeaderWalker> OpenHeaders14(InputFile& file, std::uint64_t start) {
    return std::make_unique<Headers14>(file, start);
}

} // namespace rar
