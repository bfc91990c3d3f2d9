// Headers of RAR 5 archives: a CRC-32, the header size and then fields in
// variable-length integers, with an optional area of extra records.
#include "rar/check/crc32.h"
#include "rar/format/field_reader.h"
#include "rar/format/header_walker.h"
#include "rar/format/names.h"

#include <vector>

namespace rar {
namespace {

enum HeaderType : std::uint64_t {
    kMainHeader = 1,
    kFileHeader = 2,
    kServiceHeader = 3,
    kEncryptionHeader = 4,
    kEndHeader = 5,
};

enum HeaderFlags : std::uint64_t {
    kHasExtra = 0x01,
    kHasData = 0x02,
    kSplitBefore = 0x08,
    kSplitAfter = 0x10,
};

enum MainFlags : std::uint64_t {
    kVolume = 0x01,
    kVolumeNumber = 0x02,
    kSolid = 0x04,
    kRecovery = 0x08,
    kLocked = 0x10,
};

enum FileFlags : std::uint64_t {
    kDirectory = 0x01,
    kHasTime = 0x02,
    kHasCrc = 0x04,
    kSizeUnknown = 0x08,
};

enum ExtraType : std::uint64_t {
    kExtraEncryption = 1,
    kExtraHash = 2,
    kExtraVersion = 4,
    kExtraRedirection = 5,
};

// No header written by an archiver comes near this; it bounds what a damaged
// size field can make us allocate.
constexpr std::uint64_t kMaxHeaderSize = 2u << 20;
constexpr std::size_t kSignatureSize = 8;

struct Header {
    std::uint64_t type = 0;
    std::uint64_t flags = 0;
    std::uint64_t extraSize = 0;
    std::uint64_t dataSize = 0;
    std::vector<std::uint8_t> body; // from the type field to the end
    std::size_t fieldsStart = 0;    // first type-specific field within body
    std::uint64_t totalSize = 0;    // on disk, CRC and size fields included
};

class Headers50 : public HeaderWalker {
  public:
    Headers50(InputFile& file, std::uint64_t start) : file_(file), pos_(start + kSignatureSize) {
        info_.format = Format::Rar50;
        info_.sfxSize = start;
        ReadMain();
    }

    bool Next(Entry& entry) override {
        while (!ended_) {
            Header header;
            if (!ReadHeader(header)) {
                ended_ = true;
                break;
            }
            const std::uint64_t dataStart = pos_ + header.totalSize;
            pos_ = dataStart + header.dataSize;
            if (pos_ < dataStart)
                throw ArchiveError(Status::BadData, "data size out of range");
            if (header.type == kEndHeader) {
                ended_ = true;
            } else if (header.type == kEncryptionHeader) {
                throw ArchiveError(Status::MissingPassword, "the headers are encrypted");
            } else if (header.type == kFileHeader) {
                ParseFile(header, entry);
                entry.dataOffset = dataStart;
                return true;
            } else if (pos_ > file_.Size()) {
                throw ArchiveError(Status::ReadFailed, "header data runs past the archive");
            }
        }
        return false;
    }

  private:
    void ReadMain() {
        Header header;
        if (!ReadHeader(header))
            throw ArchiveError(Status::BadArchive, "no main archive header");
        if (header.type == kEncryptionHeader)
            throw ArchiveError(Status::MissingPassword, "the headers are encrypted");
        if (header.type != kMainHeader)
            throw ArchiveError(Status::BadArchive, "no main archive header");
        FieldReader in(header.body.data() + header.fieldsStart,
                       header.body.size() - header.fieldsStart);
        const std::uint64_t flags = in.VInt();
        info_.volume = flags & kVolume;
        info_.firstVolume = info_.volume && !(flags & kVolumeNumber);
        if (flags & kVolumeNumber)
            info_.firstVolume = in.VInt() == 0;
        info_.solid = flags & kSolid;
        info_.hasRecovery = flags & kRecovery;
        info_.locked = flags & kLocked;
        info_.newNumbering = true;
        pos_ += header.totalSize + header.dataSize;
    }

    bool ReadHeader(Header& header) {
        std::uint8_t prefix[4 + 3];
        const std::size_t got = file_.ReadAt(pos_, prefix, sizeof prefix);
        if (got == 0)
            return false;
        if (got < 5)
            throw ArchiveError(Status::ReadFailed, "unexpected end of the archive");
        FieldReader head(prefix, got);
        const std::uint32_t crc = head.U32();
        const std::uint64_t size = head.VInt();
        const std::size_t sizeLength = head.Position() - 4;
        if (size == 0 || size > kMaxHeaderSize)
            throw ArchiveError(Status::BadData, "header size out of range");
        std::vector<std::uint8_t> raw(sizeLength + size);
        file_.ReadExactly(pos_ + 4, raw.data(), raw.size());
        if (Crc32(0, raw.data(), raw.size()) != crc)
            throw ArchiveError(Status::BadData, "header checksum mismatch");
        header.body.assign(raw.begin() + static_cast<std::ptrdiff_t>(sizeLength), raw.end());
        header.totalSize = 4 + raw.size();
        FieldReader in(header.body.data(), header.body.size());
        header.type = in.VInt();
        header.flags = in.VInt();
        if (header.flags & kHasExtra)
            header.extraSize = in.VInt();
        if (header.flags & kHasData)
            header.dataSize = in.VInt();
        header.fieldsStart = in.Position();
        if (header.extraSize > in.Remaining())
            throw ArchiveError(Status::BadData, "extra area larger than its header");
        return true;
    }

    void ParseFile(const Header& header, Entry& entry) {
        entry = Entry{};
        const std::size_t fieldsEnd =
            header.body.size() - static_cast<std::size_t>(header.extraSize);
        FieldReader in(header.body.data() + header.fieldsStart, fieldsEnd - header.fieldsStart);
        const std::uint64_t flags = in.VInt();
        entry.unpackedSize = in.VInt();
        entry.attributes = static_cast<std::uint32_t>(in.VInt());
        if (flags & kHasTime)
            entry.dosTime = UnixToDosTime(in.U32());
        if (flags & kHasCrc) {
            entry.crc = in.U32();
            entry.hasCrc = true;
        }
        const std::uint64_t compression = in.VInt();
        const std::uint64_t host = in.VInt();
        const std::uint64_t nameLength = in.VInt();
        if (nameLength > in.Remaining())
            throw ArchiveError(Status::BadData, "name runs past the header");
        entry.name = DecodeRar5Name(in.Bytes(static_cast<std::size_t>(nameLength)));
        for (char& c : entry.name)
            if (c == '\\')
                c = '/';
        entry.hostOs = host == 0 ? HostOs::Windows : HostOs::Unix;
        entry.isDirectory = flags & kDirectory;
        entry.sizeUnknown = flags & kSizeUnknown;
        entry.packedSize = header.dataSize;
        entry.splitBefore = header.flags & kSplitBefore;
        entry.splitAfter = header.flags & kSplitAfter;
        DecodeCompression(compression, entry);
        FieldReader extra(header.body.data() + fieldsEnd,
                          static_cast<std::size_t>(header.extraSize));
        ParseExtra(extra, entry);
    }

    static void DecodeCompression(std::uint64_t info, Entry& entry) {
        const unsigned algorithm = info & 0x3F;
        entry.unpackVersion = 50 + 20 * algorithm;
        entry.solid = info & 0x40;
        entry.method = (info >> 7) & 7;
        const unsigned dictBits = (info >> 10) & 0x1F;
        entry.windowSize = std::uint64_t{0x20000} << dictBits;
        if (algorithm == 1)
            entry.windowSize += entry.windowSize / 32 * ((info >> 15) & 0x1F);
        if (entry.isDirectory)
            entry.windowSize = 0;
    }

    static void ParseExtra(FieldReader& extra, Entry& entry) {
        while (extra.Remaining() > 0) {
            const std::uint64_t size = extra.VInt();
            if (size == 0 || size > extra.Remaining())
                throw ArchiveError(Status::BadData, "extra record runs past the header");
            FieldReader record(extra.Take(static_cast<std::size_t>(size)),
                               static_cast<std::size_t>(size));
            ParseRecord(record, entry);
        }
    }

    static void ParseRecord(FieldReader& record, Entry& entry) {
        switch (record.VInt()) {
        case kExtraEncryption:
            entry.encrypted = true;
            break;
        case kExtraHash:
            if (record.VInt() == 0) {
                const std::uint8_t* digest = record.Take(32);
                std::copy(digest, digest + 32, entry.blake2.begin());
                entry.hasBlake2 = true;
            }
            break;
        case kExtraVersion: {
            record.VInt();
            const std::uint64_t version = record.VInt();
            if (version != 0)
                entry.name += ";" + std::to_string(version);
            break;
        }
        case kExtraRedirection: {
            const std::uint64_t type = record.VInt();
            const std::uint64_t flags = record.VInt();
            const std::uint64_t length = record.VInt();
            if (length > record.Remaining())
                throw ArchiveError(Status::BadData, "link target runs past the header");
            entry.linkTarget = record.Bytes(static_cast<std::size_t>(length));
            entry.linkTargetIsDirectory = flags & 1;
            entry.link = type >= 1 && type <= 5 ? static_cast<LinkKind>(type) : LinkKind::None;
            break;
        }
        default:
            break; // times, owners and the rest do not affect extraction
        }
    }

    static std::uint32_t UnixToDosTime(std::uint32_t unixTime) {
        // Civil-from-days, so that no platform time functions are needed.
        const std::uint32_t days = unixTime / 86400, secs = unixTime % 86400;
        const std::int64_t z = static_cast<std::int64_t>(days) + 719468;
        const std::int64_t era = z / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
        const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
        const std::int64_t year = yoe + era * 400 + (month <= 2);
        if (year < 1980)
            return 0;
        return static_cast<std::uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) |
                                          ((secs / 3600) << 11) | (((secs / 60) % 60) << 5) |
                                          ((secs % 60) / 2));
    }

    InputFile& file_;
    std::uint64_t pos_;
    bool ended_ = false;
};

} // namespace

std::unique_ptr<HeaderWalker> OpenHeaders50(InputFile& file, std::uint64_t start) {
    return std::make_unique<Headers50>(file, start);
}

} // namespace rar
