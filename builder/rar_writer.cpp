#include "builder/rar_writer.h"

#include "builder/build_error.h"
#include "builder/file_io.h"
#include "rar/check/crc32.h"
#include "rar/encode/archive15.h"
#include "rar/encode/encoder29.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <tuple>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;
using rar::encode::FileHeader15;

constexpr std::uint16_t kDirectoryFlags = 0x00E0; // all dictionary bits set marks a folder
constexpr std::uint16_t kWindow4M = 0x00C0;       // the encoder's dictionary
constexpr std::uint16_t kSolidFile = 0x0010;      // continues the previous entry's stream
constexpr std::uint16_t kSolidArchive = 0x0008;
constexpr std::uint8_t kStoreVersion = 20;
constexpr std::uint8_t kPackVersion = 29;
constexpr std::uint8_t kMethodStore = 0x30;
constexpr std::uint8_t kMethodNormal = 0x33;
constexpr std::uint8_t kMethodBest = 0x35;
constexpr std::uint32_t kFileAttribute = 0x20;   // archive
constexpr std::uint32_t kFolderAttribute = 0x10; // directory
constexpr std::uint64_t kMaxSize = 0xFFFFFFFF;   // the headers' sizes are 32 bits
// Text is recognised by the start of a file.
constexpr std::size_t kTextProbe = 8192;

std::string Describe(const RarEntry& entry) {
    return "'" + (entry.path.empty() ? entry.name : entry.path) + "'";
}

void CheckEntry(const RarEntry& entry) {
    if (entry.name.empty())
        throw BuildError("an archive entry has no name");
    if (entry.Size() > kMaxSize)
        throw BuildError(Describe(entry) + " is too large for the archive (4 GiB or more)");
    if (entry.name.size() > rar::encode::kMaxName15)
        throw BuildError("an archive entry's name is too long");
}

// Hands the entry's bytes to `piece`, from memory or from its file.
void ReadEntry(const RarEntry& entry,
               const std::function<void(const char* data, std::size_t size)>& piece) {
    if (!entry.path.empty())
        ReadInPieces(entry.path, entry.size, piece);
    else if (!entry.data.empty())
        piece(entry.data.data(), entry.data.size());
}

FileHeader15 HeaderOf(const RarEntry& entry) {
    FileHeader15 header;
    header.name = entry.name;
    std::replace(header.name.begin(), header.name.end(), '/', '\\');
    header.unpackedSize = static_cast<std::uint32_t>(entry.Size());
    header.dosTime = entry.dosTime;
    header.version = kStoreVersion;
    header.method = kMethodStore;
    header.attributes = entry.isFolder ? kFolderAttribute : kFileAttribute;
    if (entry.isFolder)
        header.flags = kDirectoryFlags;
    return header;
}

// Writes file blocks to the archive: the header first, with its packed size
// and checksum set right once the data after it is out.
class BlockWriter {
  public:
    explicit BlockWriter(ByteSink& out) : out_(out) {}

    void Start(const FileHeader15& header) {
        header_ = header;
        headerAt_ = out_.Size();
        packed_ = 0;
        Put(rar::encode::FileBlock15(header_));
    }
    void Data(const char* data, std::size_t size) {
        packed_ += size;
        if (packed_ > kMaxSize)
            throw BuildError("'" + header_.name + "' packs to 4 GiB or more");
        out_.Write(data, size);
    }
    void End(std::uint32_t crc) {
        header_.packedSize = static_cast<std::uint32_t>(packed_);
        header_.crc = crc;
        const rar::encode::Bytes block = rar::encode::FileBlock15(header_);
        out_.Overwrite(headerAt_, reinterpret_cast<const char*>(block.data()), block.size());
        written_.push_back({header_.name, (header_.flags & kDirectoryFlags) == kDirectoryFlags,
                            header_.unpackedSize, crc});
    }
    void Put(const rar::encode::Bytes& bytes) {
        out_.Write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    std::vector<PackedEntry> TakeWritten() { return std::move(written_); }

  private:
    ByteSink& out_;
    FileHeader15 header_;
    std::uint64_t headerAt_ = 0;
    std::uint64_t packed_ = 0;
    std::vector<PackedEntry> written_;
};

std::uint32_t AddToCrc(std::uint32_t crc, const char* data, std::size_t size) {
    return rar::Crc32(crc, reinterpret_cast<const std::uint8_t*>(data), size);
}

void WriteStored(BlockWriter& blocks, const RarEntry& entry) {
    blocks.Start(HeaderOf(entry));
    std::uint32_t crc = 0;
    ReadEntry(entry, [&](const char* data, std::size_t size) {
        crc = AddToCrc(crc, data, size);
        blocks.Data(data, size);
    });
    blocks.End(crc);
}

// What n random bytes measure, in bits a byte: a sample shows fewer of the
// 256 values than there are, so it falls short of 8 by about
// 255 / (2 n ln 2) (0.045 bits for 4 KB, the shortest file measured).
// The encoder's OrderZeroCost is not used here: its logarithm, linear
// within each octave in sixteenths of a bit, is off by hundredths of a bit,
// as much as the margin this measure works with.
double RandomBitsPerByte(double n) {
    return 8.0 - 255.0 / (2.0 * n * std::log(2.0));
}

// Bytes spread as evenly as random ones, as in packed or encrypted formats
// (archives, images, compressed help): the encoder gains nothing on them,
// and an installer would decode them a literal at a time, several times
// slower than it copies a stored entry. Files too short for the measure to
// tell are left to the encoder; little is at stake there.
bool LooksIncompressible(const RarEntry& entry) {
    constexpr std::uint64_t kMinSize = 4096;
    constexpr double kMargin = 0.05; // bits a byte below random
    if (entry.Size() < kMinSize)
        return false;
    std::array<std::uint64_t, 256> counts{};
    ReadEntry(entry, [&](const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            ++counts[static_cast<unsigned char>(data[i])];
    });
    const auto total = static_cast<double>(entry.Size());
    double bits = 0;
    for (const std::uint64_t count : counts)
        if (count != 0)
            bits -= static_cast<double>(count) * std::log2(static_cast<double>(count) / total);
    return bits / total >= RandomBitsPerByte(total) - kMargin;
}

// Packs entries through the encoder and writes each one's block as its
// packed data comes out. In a solid stream an entry's data may end only
// after the next ones have gone in, so entries wait in a queue, in archive
// order, until their blocks are written; folders, empty files and files
// that would not pack, which the stream does not carry, are stored when
// their turn comes.
class PackedWriter {
  public:
    PackedWriter(BlockWriter& blocks, const RarOptions& options, const ProgressCounter& progress)
        : blocks_(blocks), options_(options), progress_(progress),
          encoder_(options.level == RarLevel::Best ? rar::encode::kBest29
                                                   : rar::encode::kDefault29) {}

    void Add(const RarEntry& entry) {
        if (entry.isFolder || entry.Size() == 0 || LooksIncompressible(entry)) {
            waiting_.push_back({&entry, 0, false, 0});
            if (progress_ && !entry.isFolder)
                progress_(entry.Size());
            return Drain();
        }
        const bool continues = options_.solid && streamStarted_;
        waiting_.push_back({&entry,
                            static_cast<std::uint16_t>(kWindow4M | (continues ? kSolidFile : 0)),
                            true, 0});
        encoder_.StartEntry(entry.Size(), continues);
        streamStarted_ = true;
        // The checksum is complete before the last piece goes in, and so
        // before the entry's data can come out.
        Waiting& added = waiting_.back();
        ReadEntry(entry, [&](const char* data, std::size_t size) {
            added.crc = AddToCrc(added.crc, data, size);
            encoder_.AddData(reinterpret_cast<const std::uint8_t*>(data), size);
            Drain();
        });
        if (progress_)
            progress_(entry.Size());
    }

    void Finish() {
        encoder_.Finish();
        Drain();
    }

  private:
    struct Waiting {
        const RarEntry* entry;
        std::uint16_t flags;
        bool packed;
        std::uint32_t crc; // of the data read so far
    };

    // Writes what the encoder has given out, and every stored entry whose
    // turn has come.
    void Drain() {
        auto& finished = encoder_.Finished();
        for (; !finished.empty(); finished.pop_front()) {
            OpenFront();
            blocks_.Data(reinterpret_cast<const char*>(finished.front().data()),
                         finished.front().size());
            blocks_.End(waiting_.front().crc);
            waiting_.pop_front();
            opened_ = false;
        }
        const std::vector<std::uint8_t> more = encoder_.TakeUnfinished();
        if (!more.empty()) {
            OpenFront();
            blocks_.Data(reinterpret_cast<const char*>(more.data()), more.size());
        }
        StoreWaiting();
    }

    // Starts the block of the first packed entry waiting.
    void OpenFront() {
        StoreWaiting();
        if (opened_)
            return;
        FileHeader15 header = HeaderOf(*waiting_.front().entry);
        header.version = kPackVersion;
        header.method = options_.level == RarLevel::Best ? kMethodBest : kMethodNormal;
        header.flags = waiting_.front().flags;
        blocks_.Start(header);
        opened_ = true;
    }

    void StoreWaiting() {
        while (!waiting_.empty() && !waiting_.front().packed) {
            WriteStored(blocks_, *waiting_.front().entry);
            waiting_.pop_front();
        }
    }

    BlockWriter& blocks_;
    const RarOptions& options_;
    const ProgressCounter& progress_;
    rar::encode::Encoder29 encoder_;
    std::deque<Waiting> waiting_;
    bool opened_ = false; // the front entry's header is out
    bool streamStarted_ = false;
};

// Text: no control characters but tab, line ends and form feed, in the
// first few kilobytes.
bool LooksLikeText(const std::string& head) {
    return std::none_of(head.begin(), head.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 32 && b != '\t' && b != '\r' && b != '\n' && b != '\f';
    });
}

// The first bytes of the entry; what cannot be read here is reported when
// the entry is read in full.
std::string Head(const RarEntry& entry) {
    if (entry.path.empty())
        return entry.data.substr(0, kTextProbe);
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(entry.size, kTextProbe)),
                     '\0');
    std::ifstream in(fs::u8path(entry.path), std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

std::string Extension(const std::string& name) {
    const std::size_t dot = name.find_last_of("./\\");
    if (dot == std::string::npos || name[dot] != '.')
        return {};
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return extension;
}

std::vector<const RarEntry*> SolidOrder(const std::vector<RarEntry>& entries) {
    struct Keyed {
        int kind; // folders, text, binary
        std::string extension;
        const RarEntry* entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (const RarEntry& entry : entries)
        keyed.push_back({entry.isFolder               ? 0
                         : LooksLikeText(Head(entry)) ? 1
                                                      : 2,
                         Extension(entry.name), &entry});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return std::tie(a.kind, a.extension) < std::tie(b.kind, b.extension);
    });
    std::vector<const RarEntry*> order;
    order.reserve(keyed.size());
    for (const Keyed& k : keyed)
        order.push_back(k.entry);
    return order;
}

void CollectInto(const fs::path& folder, const std::string& prefix, bool withFolders,
                 std::vector<RarEntry>& entries) {
    std::error_code error;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        children.push_back(it->path());
    if (error)
        throw BuildError("cannot read the folder '" + folder.u8string() + "': " + error.message());
    std::sort(children.begin(), children.end());
    for (const fs::path& child : children) {
        const std::string name = prefix + child.filename().u8string();
        // The setup writes names with the ANSI functions: other bytes would
        // arrive as different characters.
        if (std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }))
            throw BuildError("'" + child.u8string() + "': only ASCII file names can be archived");
        if (fs::is_symlink(child) && fs::is_directory(child))
            throw BuildError("'" + child.u8string() +
                             "' is a link to a folder; it is not followed");
        if (fs::is_directory(child)) {
            if (withFolders)
                entries.push_back({name, {}, true, ModifiedDosTime(child.u8string())});
            CollectInto(child, name + "\\", withFolders, entries);
        } else if (fs::is_regular_file(child)) {
            const std::uint64_t size = fs::file_size(child, error);
            if (error)
                throw BuildError("cannot read '" + child.u8string() + "': " + error.message(),
                                 ExitCode::InputOutput);
            entries.push_back(
                {name, {}, false, ModifiedDosTime(child.u8string()), child.u8string(), size});
        } else {
            throw BuildError(
                "'" + child.u8string() + "' is " +
                (fs::is_symlink(child) ? "a link to nothing" : "neither a file nor a folder") +
                "; it cannot be archived");
        }
    }
}

} // namespace

std::vector<PackedEntry> WriteRarArchive(const std::vector<RarEntry>& entries,
                                         const RarOptions& options, ByteSink& out,
                                         const ProgressCounter& progress) {
    for (const RarEntry& entry : entries)
        CheckEntry(entry);
    const bool packed = options.level != RarLevel::Store;
    BlockWriter blocks(out);
    blocks.Put(
        rar::encode::Bytes(std::begin(rar::encode::kMarker15), std::end(rar::encode::kMarker15)));
    blocks.Put(rar::encode::MainBlock15(packed && options.solid ? kSolidArchive : 0));
    if (packed) {
        std::vector<const RarEntry*> order;
        order.reserve(entries.size());
        for (const RarEntry& entry : entries)
            order.push_back(&entry);
        PackedWriter writer(blocks, options, progress);
        for (const RarEntry* entry : options.solid ? SolidOrder(entries) : order)
            writer.Add(*entry);
        writer.Finish();
    } else {
        for (const RarEntry& entry : entries) {
            WriteStored(blocks, entry);
            if (progress && !entry.isFolder)
                progress(entry.Size());
        }
    }
    blocks.Put(rar::encode::EndBlock15());
    return blocks.TakeWritten();
}

std::string WriteRarArchive(const std::vector<RarEntry>& entries, const RarOptions& options) {
    StringSink out;
    WriteRarArchive(entries, options, out);
    return std::move(out.bytes);
}

std::vector<RarEntry> CollectFolder(const std::string& folder, bool withFolders) {
    if (!fs::is_directory(fs::u8path(folder)))
        throw BuildError("'" + folder + "' is not a folder");
    std::vector<RarEntry> entries;
    CollectInto(fs::u8path(folder), "", withFolders, entries);
    return entries;
}

} // namespace setupkit::builder
