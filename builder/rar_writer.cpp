#include "builder/rar_writer.h"

#include "builder/build_error.h"
#include "builder/byte_io.h"
#include "builder/file_io.h"
#include "rar/check/crc32.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

constexpr char kMarker[] = "Rar!\x1A\x07\x00";
constexpr std::uint8_t kMainHead = 0x73;
constexpr std::uint8_t kFileHead = 0x74;
constexpr std::uint8_t kEndHead = 0x7B;
constexpr std::uint16_t kLongBlock = 0x8000;      // a data area follows the header
constexpr std::uint16_t kDirectoryFlags = 0x00E0; // all dictionary bits set marks a folder
constexpr std::uint16_t kEndFlags = 0x4000;       // required in the end block
constexpr std::uint8_t kHostWindows = 2;          // names use '\' between folders
constexpr std::uint8_t kUnpackVersion = 20;
constexpr std::uint8_t kMethodStore = 0x30;
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

std::string FileBlock(const RarEntry& entry) {
    if (entry.name.empty())
        throw BuildError("an archive entry has no name");
    if (entry.data.size() > 0xFFFFFFFFu)
        throw BuildError("'" + entry.name + "' is too large for the archive (4 GiB or more)");
    const std::string name = StoredName(entry.name);
    if (name.size() > 0xFFFF - 32)
        throw BuildError("an archive entry's name is too long");
    const auto size = static_cast<std::uint32_t>(entry.data.size());
    std::string body;
    AppendU32(body, size); // packed size: stored, so the same
    AppendU32(body, size);
    AppendU8(body, kHostWindows);
    AppendU32(body, entry.isFolder ? 0 : Crc(entry.data));
    AppendU32(body, entry.dosTime);
    AppendU8(body, kUnpackVersion);
    AppendU8(body, kMethodStore);
    AppendU16(body, static_cast<std::uint16_t>(name.size()));
    AppendU32(body, entry.isFolder ? kFolderAttribute : kFileAttribute);
    body += name;
    const auto flags =
        static_cast<std::uint16_t>(kLongBlock | (entry.isFolder ? kDirectoryFlags : 0));
    return Block(kFileHead, flags, body) + entry.data;
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

std::string WriteRarArchive(const std::vector<RarEntry>& entries) {
    std::string archive(kMarker, sizeof kMarker - 1);
    archive += Block(kMainHead, 0, std::string(6, '\0'));
    for (const RarEntry& entry : entries)
        archive += FileBlock(entry);
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
