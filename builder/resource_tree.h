#pragma once
// The resource tree of a PE image (type, name, language, data) as plain
// values, read from and written to the layout of a resource section.
#include "builder/byte_sink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace setupkit::builder {

class PeImage;

// A tree node's key: a number, or a name (UTF-16, as the image stores it).
struct ResourceKey {
    bool named = false;
    std::uint16_t id = 0;
    std::u16string name;

    static ResourceKey Id(std::uint16_t id) { return {false, id, {}}; }
    static ResourceKey Name(const std::string& ascii);
    bool operator==(const ResourceKey& other) const;
    // The order the loader's binary search expects: names (by UTF-16 code
    // units) before numbers (ascending).
    bool operator<(const ResourceKey& other) const;
};

struct ResourceData {
    std::string bytes;
    std::uint32_t codePage = 0;
    // Data too large to hold: `fileSize` bytes of this file, copied in pieces
    // when the section is written; `bytes` is then empty.
    std::string file = {};
    std::uint64_t fileSize = 0;

    std::uint64_t Size() const { return file.empty() ? bytes.size() : fileSize; }
    bool operator==(const ResourceData& other) const {
        return bytes == other.bytes && codePage == other.codePage && file == other.file &&
               fileSize == other.fileSize;
    }
};

struct ResourceDirectory;

// A leaf holds data; an inner entry holds a sub-directory. Entries are
// values: a copy owns a copy of the sub-tree.
struct ResourceEntry {
    ResourceKey key;
    std::unique_ptr<ResourceDirectory> directory;
    ResourceData data;

    ResourceEntry();
    ResourceEntry(const ResourceEntry& other);
    ResourceEntry(ResourceEntry&& other) noexcept;
    ResourceEntry& operator=(ResourceEntry other) noexcept;
    ~ResourceEntry();
    bool operator==(const ResourceEntry& other) const;
};

struct ResourceDirectory {
    std::uint32_t characteristics = 0;
    std::uint32_t timeDateStamp = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::vector<ResourceEntry> entries;

    // The entry with `key`, or null.
    ResourceEntry* Find(const ResourceKey& key);
    const ResourceEntry* Find(const ResourceKey& key) const;
    // Inserts or replaces the entry with `entry.key`, keeping the loader's order.
    void Put(ResourceEntry entry);
    bool operator==(const ResourceDirectory& other) const;
};

// The image's resource tree; an empty root when it has none. Throws
// BuildError on a malformed tree.
ResourceDirectory ReadResourceTree(const PeImage& image);

// The size of the resource section holding `root`. Throws BuildError when
// the tree does not fit a section's fields.
std::uint32_t ResourceSectionSize(const ResourceDirectory& root);

// Writes the resource section holding `root`, with data addresses computed
// for a section that starts at `sectionRva`. Entries are written in the
// loader's order whatever their order in `root`.
void WriteResourceSection(const ResourceDirectory& root, std::uint32_t sectionRva, ByteSink& out);
// The same section in memory.
std::string WriteResourceSection(const ResourceDirectory& root, std::uint32_t sectionRva);

} // namespace setupkit::builder
