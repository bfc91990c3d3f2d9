#include "builder/rar_writer.h"

#include "builder/build_error.h"
#include "builder/byte_io.h"
#include "builder/file_io.h"
#include "rar/check/crc32.h"
#include "rar/encode/encoder29.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <tuple>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

constexpr char kMarker[] = "Rar!\x1A\x07\x00";
constexpr std::uint8_t kMainHead = 0x73;
constexpr std::uint8_t kFileHead = 0x74;
constexpr std::uint8_t kEndHead = 0x7B;
constexpr std::uint16_t kLongBlock = 0x8000;      // a data area follows the header
constexpr std::uint16_t kDirectoryFlags = 0x00E0; // all dictionary bits set marks a folder
constexpr std::uint16_t kWindow4M = 0x00C0;       // the encoder's dictionary
constexpr std::uint16_t kSolidFile = 0x0010;      // continues the previous entry's stream
constexpr std::uint16_t kSolidArchive = 0x0008;
constexpr std::uint16_t kEndFlags = 0x4000; // required in the end block
constexpr std::uint8_t kHostWindows = 2;    // names use '\' between folders
constexpr std::uint8_t kStoreVersion = 20;
constexpr std::uint8_t kPackVersion = 29;
constexpr std::uint8_t kMethodStore = 0x30;
constexpr std::uint8_t kMethodNormal = 0x33;
constexpr std::uint8_t kMethodBest = 0x35;
constexpr std::uint32_t kFileAttribute = 0x20;   // archive
constexpr std::uint32_t kFolderAttribute = 0x10; // directory

std::uint32_t Crc(const std::string& bytes, std::size_t from = 0) {
    return rar::Crc32(0, reinterpret_cast<const std::uint8_t*>(bytes.data()) + from,
                      bytes.size() - from);
}

// A block: CRC (low half of the CRC-32 of the rest), type, flags, size, body.
std::string Block(std::uint8_t type, std::uint16_t flags, const std::string& body) {
    std::string block(2, '\0');
    AppendU8(block, type);
    AppendU16(block, flags);
    AppendU16(block, static_cast<std::uint16_t>(7 + body.size()));
    block += body;
    WriteU16(block, 0, static_cast<std::uint16_t>(Crc(block, 2) & 0xFFFF));
    return block;
}

std::string StoredName(const std::string& name) {
    std::string stored = name;
    std::replace(stored.begin(), stored.end(), '/', '\\');
    return stored;
}

// How one entry's data is written.
struct Packing {
    const std::string* data; // what follows the header
    std::uint8_t version = kStoreVersion;
    std::uint8_t method = kMethodStore;
    std::uint16_t flags = 0;
};

void CheckEntry(const RarEntry& entry) {
    if (entry.name.empty())
        throw BuildError("an archive entry has no name");
    if (entry.data.size() > 0xFFFFFFFFu)
        throw BuildError("'" + entry.name + "' is too large for the archive (4 GiB or more)");
}

std::string FileBlock(const RarEntry& entry, const Packing& packing) {
    if (packing.data->size() > 0xFFFFFFFFu)
        throw BuildError("'" + entry.name + "' packs to 4 GiB or more");
    const std::string name = StoredName(entry.name);
    if (name.size() > 0xFFFF - 32)
        throw BuildError("an archive entry's name is too long");
    std::string body;
    AppendU32(body, static_cast<std::uint32_t>(packing.data->size()));
    AppendU32(body, static_cast<std::uint32_t>(entry.data.size()));
    AppendU8(body, kHostWindows);
    AppendU32(body, entry.isFolder ? 0 : Crc(entry.data));
    AppendU32(body, entry.dosTime);
    AppendU8(body, packing.version);
    AppendU8(body, packing.method);
    AppendU16(body, static_cast<std::uint16_t>(name.size()));
    AppendU32(body, entry.isFolder ? kFolderAttribute : kFileAttribute);
    body += name;
    const auto flags = static_cast<std::uint16_t>(kLongBlock | packing.flags |
                                                  (entry.isFolder ? kDirectoryFlags : 0));
    return Block(kFileHead, flags, body) + *packing.data;
}

// Text: no control characters but tab, line ends and form feed, in the
// first few kilobytes.
bool LooksLikeText(const std::string& data) {
    const std::size_t probe = std::min<std::size_t>(data.size(), 8192);
    return std::none_of(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(probe),
                        [](char c) {
                            const auto b = static_cast<unsigned char>(c);
                            return b < 32 && b != '\t' && b != '\r' && b != '\n' && b != '\f';
                        });
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
        keyed.push_back({entry.isFolder              ? 0
                         : LooksLikeText(entry.data) ? 1
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

std::string PackedFiles(const std::vector<const RarEntry*>& order, const RarOptions& options) {
    rar::encode::Encoder29 encoder(options.level == RarLevel::Best ? rar::encode::kBest29
                                                                   : rar::encode::kDefault29);
    // Empty files and folders are stored: no packed data, nothing in the stream.
    bool streamStarted = false;
    std::vector<std::uint16_t> flags;
    for (const RarEntry* entry : order) {
        if (entry->isFolder || entry->data.empty())
            continue;
        const bool continues = options.solid && streamStarted;
        encoder.AddEntry(reinterpret_cast<const std::uint8_t*>(entry->data.data()),
                         entry->data.size(), continues);
        flags.push_back(static_cast<std::uint16_t>(kWindow4M | (continues ? kSolidFile : 0)));
        streamStarted = true;
    }
    encoder.Finish();
    auto& packed = encoder.Finished();
    const std::uint8_t method = options.level == RarLevel::Best ? kMethodBest : kMethodNormal;
    std::string files;
    std::size_t next = 0;
    for (const RarEntry* entry : order) {
        if (entry->isFolder || entry->data.empty()) {
            files += FileBlock(*entry, {&entry->data});
            continue;
        }
        const std::string data(packed.front().begin(), packed.front().end());
        packed.pop_front();
        files += FileBlock(*entry, {&data, kPackVersion, method, flags[next++]});
    }
    return files;
}

void CollectInto(const fs::path& folder, const std::string& prefix, bool withFolders,
                 std::uint32_t dosTime, const ProgressCounter& progress,
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
                entries.push_back({name, {}, true, dosTime});
            CollectInto(child, name + "\\", withFolders, dosTime, progress, entries);
        } else if (fs::is_regular_file(child)) {
            entries.push_back({name, ReadWholeFile(child.u8string()), false, dosTime});
            if (progress)
                progress(entries.back().data.size());
        }
    }
}

} // namespace

std::string WriteRarArchive(const std::vector<RarEntry>& entries, const RarOptions& options) {
    for (const RarEntry& entry : entries)
        CheckEntry(entry);
    const bool packed = options.level != RarLevel::Store;
    std::string archive(kMarker, sizeof kMarker - 1);
    archive += Block(kMainHead, packed && options.solid ? kSolidArchive : 0, std::string(6, '\0'));
    if (packed) {
        std::vector<const RarEntry*> order;
        order.reserve(entries.size());
        for (const RarEntry& entry : entries)
            order.push_back(&entry);
        archive += PackedFiles(options.solid ? SolidOrder(entries) : order, options);
    } else {
        for (const RarEntry& entry : entries)
            archive += FileBlock(entry, {&entry.data});
    }
    archive += Block(kEndHead, kEndFlags, {});
    return archive;
}

std::vector<RarEntry> CollectFolder(const std::string& folder, bool withFolders,
                                    std::uint32_t dosTime, const ProgressCounter& progress) {
    if (!fs::is_directory(fs::u8path(folder)))
        throw BuildError("'" + folder + "' is not a folder");
    std::vector<RarEntry> entries;
    CollectInto(fs::u8path(folder), "", withFolders, dosTime, progress, entries);
    return entries;
}

} // namespace setupkit::builder
