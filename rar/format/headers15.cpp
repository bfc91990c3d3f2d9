// Headers of RAR 1.5 to 4.x archives: fixed little-endian blocks, each with a
// 16-bit CRC, a type, flags and its size, optionally followed by data.
#include "rar/check/crc32.h"
#include "rar/format/field_reader.h"
#include "rar/format/header_walker.h"
#include "rar/format/names.h"

#include <vector>

namespace rar {
namespace {

enum BlockType : std::uint8_t {
    kMainBlock = 0x73,
    kFileBlock = 0x74,
    kOldAvBlock = 0x76,
    kOldSignBlock = 0x79,
    kServiceBlock = 0x7A,
    kEndBlock = 0x7B,
};

enum MainFlags : std::uint16_t {
    kMainVolume = 0x0001,
    kMainComment = 0x0002,
    kMainLock = 0x0004,
    kMainSolid = 0x0008,
    kMainNewNumbering = 0x0010,
    kMainProtect = 0x0040,
    kMainPassword = 0x0080,
    kMainFirstVolume = 0x0100,
};

enum FileFlags : std::uint16_t {
    kFileSplitBefore = 0x0001,
    kFileSplitAfter = 0x0002,
    kFilePassword = 0x0004,
    kFileSolid = 0x0010,
    kFileWindowMask = 0x00E0,
    kFileDirectory = 0x00E0,
    kFileLarge = 0x0100,
    kFileUnicode = 0x0200,
    kLongBlock = 0x8000,
};

constexpr std::size_t kBaseSize = 7;
constexpr std::size_t kMainSize = 13;
constexpr std::size_t kLargeSizeOffset = 32;
constexpr std::size_t kFileFixedSize = 32;
constexpr std::size_t kNameSizeOffset = 26;

struct Block {
    std::uint8_t type = 0;
    std::uint16_t flags = 0;
    std::vector<std::uint8_t> bytes; // the whole header
    std::uint64_t dataSize = 0;
};

std::uint16_t HeaderCrc(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    return static_cast<std::uint16_t>(Crc32(0, bytes.data() + 2, size - 2));
}

class Headers15 : public HeaderWalker {
  public:
    Headers15(InputFile& file, std::uint64_t start) : file_(file), pos_(start + 7) {
        info_.format = Format::Rar15;
        info_.sfxSize = start;
        ReadMain();
    }

    bool Next(Entry& entry) override {
        while (!ended_) {
            Block block;
            if (!ReadBlock(block)) {
                ended_ = true;
                break;
            }
            const std::uint64_t dataStart = pos_ + block.bytes.size();
            pos_ = dataStart + block.dataSize;
            if (block.type == kEndBlock) {
                ended_ = true;
            } else if (block.type == kFileBlock) {
                ParseFile(block, entry);
                entry.dataOffset = dataStart;
                return true;
            } else if (pos_ > file_.Size()) {
                throw ArchiveError(Status::ReadFailed, "block data runs past the archive");
            }
        }
        return false;
    }

  private:
    void ReadMain() {
        Block block;
        if (!ReadBlock(block) || block.type != kMainBlock || block.bytes.size() < kMainSize)
            throw ArchiveError(Status::BadArchive, "no main archive header");
        const std::uint16_t f = block.flags;
        info_.volume = f & kMainVolume;
        info_.hasComment = f & kMainComment;
        info_.locked = f & kMainLock;
        info_.solid = f & kMainSolid;
        info_.newNumbering = f & kMainNewNumbering;
        info_.hasRecovery = f & kMainProtect;
        info_.firstVolume = f & kMainFirstVolume;
        if (f & kMainPassword)
            throw ArchiveError(Status::MissingPassword, "the headers are encrypted");
        pos_ += block.bytes.size();
    }

    // False when too little of the file is left for another header.
    bool ReadBlock(Block& block) {
        std::uint8_t base[kBaseSize];
        if (file_.ReadAt(pos_, base, kBaseSize) < kBaseSize)
            return false;
        FieldReader fields(base, kBaseSize);
        const std::uint16_t crc = fields.U16();
        block.type = fields.U8();
        block.flags = fields.U16();
        const std::uint16_t size = fields.U16();
        if (size < kBaseSize)
            throw ArchiveError(Status::BadData, "header too small");
        block.bytes.resize(size);
        file_.ReadExactly(pos_, block.bytes.data(), size);
        CheckCrc(block, crc);
        const bool fileLike = block.type == kFileBlock || block.type == kServiceBlock;
        if (fileLike || (block.flags & kLongBlock)) {
            FieldReader data(block.bytes.data() + kBaseSize, size - kBaseSize);
            block.dataSize = data.U32();
            // Large entries keep the high half of the packed size further on.
            if (fileLike && (block.flags & kFileLarge)) {
                data.Skip(kLargeSizeOffset - kBaseSize - 4);
                block.dataSize |= static_cast<std::uint64_t>(data.U32()) << 32;
            }
        }
        return true;
    }

    void CheckCrc(const Block& block, std::uint16_t crc) {
        // Old authenticity and signature blocks were never checked by readers;
        // archives in the wild carry them with stale checksums.
        if (block.type == kOldAvBlock || block.type == kOldSignBlock)
            return;
        if (HeaderCrc(block.bytes, block.bytes.size()) == crc)
            return;
        // Old archives with a comment inside the main or a file header
        // checksum only the part in front of the comment.
        const std::size_t fixed = FixedPartSize(block);
        if (fixed < block.bytes.size() && HeaderCrc(block.bytes, fixed) == crc)
            return;
        throw ArchiveError(Status::BadData, "header checksum mismatch");
    }

    static std::size_t FixedPartSize(const Block& block) {
        if (block.type == kMainBlock)
            return kMainSize;
        if (block.type != kFileBlock || block.bytes.size() < kNameSizeOffset + 2)
            return block.bytes.size();
        FieldReader in(block.bytes.data() + kNameSizeOffset, 2);
        const std::size_t nameEnd = kFileFixedSize + in.U16();
        return nameEnd + ((block.flags & kFileLarge) ? 8 : 0);
    }

    void ParseFile(const Block& block, Entry& entry) {
        entry = Entry{};
        FieldReader in(block.bytes.data() + kBaseSize, block.bytes.size() - kBaseSize);
        const std::uint16_t f = block.flags;
        std::uint64_t packed = in.U32();
        std::uint64_t unpacked = in.U32();
        entry.hostOs = static_cast<HostOs>(in.U8());
        entry.crc = in.U32();
        entry.hasCrc = true;
        entry.dosTime = in.U32();
        entry.unpackVersion = in.U8();
        const std::uint8_t method = in.U8();
        const std::uint16_t nameSize = in.U16();
        entry.attributes = in.U32();
        if (f & kFileLarge) {
            packed |= static_cast<std::uint64_t>(in.U32()) << 32;
            unpacked |= static_cast<std::uint64_t>(in.U32()) << 32;
        }
        const std::string raw = in.Bytes(nameSize);
        entry.name = DecodeName(raw, f & kFileUnicode);
        entry.packedSize = packed;
        entry.unpackedSize = unpacked;
        entry.method = method >= 0x30 && method <= 0x35 ? method - 0x30 : method;
        entry.isDirectory = (f & kFileWindowMask) == kFileDirectory;
        entry.windowSize = entry.isDirectory ? 0 : 0x10000u << ((f & kFileWindowMask) >> 5);
        entry.solid = f & kFileSolid;
        entry.encrypted = f & kFilePassword;
        entry.splitBefore = f & kFileSplitBefore;
        entry.splitAfter = f & kFileSplitAfter;
        if (entry.hostOs == HostOs::Unix && (entry.attributes & 0xF000) == 0xA000)
            entry.link = LinkKind::UnixSymlink;
    }

    static std::string DecodeName(const std::string& raw, bool unicode) {
        std::string name;
        std::size_t zero = raw.find('\0');
        if (unicode && zero != std::string::npos) {
            std::string plain = raw.substr(0, zero);
            auto wide = DecodeEncodedName(
                plain, reinterpret_cast<const std::uint8_t*>(raw.data()) + zero + 1,
                raw.size() - zero - 1);
            name = wide.empty() ? LegacyNameToUtf8(plain) : Utf16ToUtf8(wide);
        } else {
            name = LegacyNameToUtf8(raw.substr(0, zero));
        }
        return ToForwardSlashes(name);
    }

    InputFile& file_;
    std::uint64_t pos_;
    bool ended_ = false;
};

} // namespace

std::unique_ptr<HeaderWalker> OpenHeaders15(InputFile& file, std::uint64_t start) {
    return std::make_unique<Headers15>(file, start);
}

} // namespace rar
