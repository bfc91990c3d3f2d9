#include "builder/resource_tree.h"

#include "builder/byte_io.h"
#include "builder/file_io.h"
#include "builder/pe_image.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <utility>

namespace setupkit::builder {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr int kMaxDepth = 8;

class TreeReader {
  public:
    explicit TreeReader(const PeImage& image)
        : image_(image), base_(image.ResourceDirectory().rva) {}

    ResourceDirectory ReadDirectory(std::uint32_t offset, int depth) {
        if (depth > kMaxDepth)
            throw BuildError("the resource tree is nested too deeply");
        if (!visited_.insert(offset).second)
            throw BuildError("the resource tree refers to one directory twice");
        ResourceDirectory directory;
        directory.characteristics = U32(offset);
        directory.timeDateStamp = U32(offset + 4);
        directory.majorVersion = U16(offset + 8);
        directory.minorVersion = U16(offset + 10);
        const std::uint32_t count = U16(offset + 12) + U16(offset + 14);
        for (std::uint32_t i = 0; i < count; ++i)
            directory.entries.push_back(
                ReadEntry(offset + kDirectoryHeaderSize + kEntrySize * i, depth));
        return directory;
    }

  private:
    ResourceEntry ReadEntry(std::uint32_t offset, int depth) {
        ResourceEntry entry;
        const std::uint32_t nameField = U32(offset);
        const std::uint32_t target = U32(offset + 4);
        entry.key = nameField & kHighBit ? ReadName(nameField & ~kHighBit)
                                         : ResourceKey::Id(static_cast<std::uint16_t>(nameField));
        if (target & kHighBit)
            entry.directory =
                std::make_unique<ResourceDirectory>(ReadDirectory(target & ~kHighBit, depth + 1));
        else
            entry.data = ReadData(target);
        return entry;
    }

    ResourceKey ReadName(std::uint32_t offset) {
        ResourceKey key;
        key.named = true;
        const std::uint16_t length = U16(offset);
        for (std::uint16_t i = 0; i < length; ++i)
            key.name.push_back(static_cast<char16_t>(U16(offset + 2 + 2 * i)));
        return key;
    }

    ResourceData ReadData(std::uint32_t offset) {
        const std::uint32_t rva = U32(offset);
        const std::uint32_t size = U32(offset + 4);
        ResourceData data;
        data.bytes = image_.Bytes().substr(image_.OffsetOfRva(rva, size), size);
        data.codePage = U32(offset + 8);
        return data;
    }

    std::size_t At(std::uint32_t offset, std::uint32_t size) const {
        const std::uint64_t rva = std::uint64_t{base_} + offset;
        if (rva > 0xFFFFFFFFu)
            throw BuildError("the resource tree points outside the image");
        return image_.OffsetOfRva(static_cast<std::uint32_t>(rva), size);
    }
    std::uint16_t U16(std::uint32_t offset) const { return ReadU16(image_.Bytes(), At(offset, 2)); }
    std::uint32_t U32(std::uint32_t offset) const { return ReadU32(image_.Bytes(), At(offset, 4)); }

    const PeImage& image_;
    std::uint32_t base_;
    std::set<std::uint32_t> visited_;
};

std::vector<const ResourceEntry*> SortedEntries(const ResourceDirectory& directory) {
    std::vector<const ResourceEntry*> entries;
    for (const ResourceEntry& entry : directory.entries)
        entries.push_back(&entry);
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const ResourceEntry* a, const ResourceEntry* b) { return a->key < b->key; });
    return entries;
}

// Where everything goes: directories breadth first, then the leaves' data
// entries, then the names, then the data itself, each blob 8-byte aligned.
struct SectionLayout {
    std::vector<const ResourceDirectory*> directories;
    std::map<const ResourceDirectory*, std::vector<const ResourceEntry*>> entries;
    std::map<const ResourceDirectory*, std::uint32_t> directoryAt;
    std::vector<const ResourceEntry*> leaves, named;
    std::map<const ResourceEntry*, std::uint32_t> leafAt, nameAt, dataAt;
    std::uint32_t size = 0;

    explicit SectionLayout(const ResourceDirectory& root) {
        std::deque<const ResourceDirectory*> queue{&root};
        while (!queue.empty()) {
            const ResourceDirectory* directory = queue.front();
            queue.pop_front();
            directories.push_back(directory);
            directoryAt[directory] = size;
            entries[directory] = SortedEntries(*directory);
            size += static_cast<std::uint32_t>(kDirectoryHeaderSize +
                                               kEntrySize * directory->entries.size());
            for (const ResourceEntry* entry : entries[directory]) {
                if (entry->key.named)
                    named.push_back(entry);
                if (entry->directory)
                    queue.push_back(entry->directory.get());
                else
                    leaves.push_back(entry);
            }
        }
        for (const ResourceEntry* leaf : leaves) {
            leafAt[leaf] = size;
            size += kDataEntrySize;
        }
        for (const ResourceEntry* entry : named) {
            nameAt[entry] = size;
            size += static_cast<std::uint32_t>(2 + 2 * entry->key.name.size());
        }
        for (const ResourceEntry* leaf : leaves) {
            size = AlignUp(size, 8);
            dataAt[leaf] = size;
            size += static_cast<std::uint32_t>(leaf->data.Size());
        }
    }
};

void WriteDirectory(std::string& out, const SectionLayout& layout,
                    const ResourceDirectory& directory) {
    const std::vector<const ResourceEntry*>& entries = layout.entries.at(&directory);
    const auto named = std::count_if(entries.begin(), entries.end(),
                                     [](const ResourceEntry* entry) { return entry->key.named; });
    AppendU32(out, directory.characteristics);
    AppendU32(out, directory.timeDateStamp);
    AppendU16(out, directory.majorVersion);
    AppendU16(out, directory.minorVersion);
    AppendU16(out, static_cast<std::uint16_t>(named));
    AppendU16(out, static_cast<std::uint16_t>(entries.size() - named));
    for (const ResourceEntry* entry : entries) {
        AppendU32(out, entry->key.named ? kHighBit | layout.nameAt.at(entry) : entry->key.id);
        AppendU32(out, entry->directory ? kHighBit | layout.directoryAt.at(entry->directory.get())
                                        : layout.leafAt.at(entry));
    }
}

// Throws unless the tree fits the section's 16- and 32-bit fields; gives the
// bytes of data it holds.
std::uint64_t CheckSizes(const ResourceDirectory& directory) {
    if (directory.entries.size() > 0xFFFF)
        throw BuildError("a resource directory has too many entries");
    std::uint64_t total = 0;
    for (const ResourceEntry& entry : directory.entries) {
        if (entry.key.name.size() > 0xFFFF)
            throw BuildError("a resource name is too long");
        total += entry.directory ? CheckSizes(*entry.directory) : entry.data.Size() + 8;
    }
    if (total > 0x40000000)
        throw BuildError("the resources are larger than a program can hold (1 GiB)");
    return total;
}

} // namespace

ResourceKey ResourceKey::Name(const std::string& ascii) {
    return {true, 0, std::u16string(ascii.begin(), ascii.end())};
}

bool ResourceKey::operator==(const ResourceKey& other) const {
    return named == other.named && (named ? name == other.name : id == other.id);
}

bool ResourceKey::operator<(const ResourceKey& other) const {
    if (named != other.named)
        return named;
    return named ? name < other.name : id < other.id;
}

ResourceEntry::ResourceEntry() = default;

ResourceEntry::ResourceEntry(const ResourceEntry& other)
    : key(other.key),
      directory(other.directory ? std::make_unique<ResourceDirectory>(*other.directory) : nullptr),
      data(other.data) {}

ResourceEntry::ResourceEntry(ResourceEntry&& other) noexcept = default;

ResourceEntry& ResourceEntry::operator=(ResourceEntry other) noexcept {
    key = std::move(other.key);
    directory = std::move(other.directory);
    data = std::move(other.data);
    return *this;
}

ResourceEntry::~ResourceEntry() = default;

bool ResourceEntry::operator==(const ResourceEntry& other) const {
    if (!(key == other.key) || !directory != !other.directory)
        return false;
    return directory ? *directory == *other.directory : data == other.data;
}

const ResourceEntry* ResourceDirectory::Find(const ResourceKey& key) const {
    for (const ResourceEntry& entry : entries)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

ResourceEntry* ResourceDirectory::Find(const ResourceKey& key) {
    return const_cast<ResourceEntry*>(std::as_const(*this).Find(key));
}

void ResourceDirectory::Put(ResourceEntry entry) {
    if (ResourceEntry* existing = Find(entry.key)) {
        *existing = std::move(entry);
        return;
    }
    const auto at = std::upper_bound(
        entries.begin(), entries.end(), entry,
        [](const ResourceEntry& a, const ResourceEntry& b) { return a.key < b.key; });
    entries.insert(at, std::move(entry));
}

bool ResourceDirectory::operator==(const ResourceDirectory& other) const {
    return characteristics == other.characteristics && timeDateStamp == other.timeDateStamp &&
           majorVersion == other.majorVersion && minorVersion == other.minorVersion &&
           entries == other.entries;
}

ResourceDirectory ReadResourceTree(const PeImage& image) {
    if (image.ResourceDirectory().rva == 0)
        return {};
    return TreeReader(image).ReadDirectory(0, 0);
}

std::uint32_t ResourceSectionSize(const ResourceDirectory& root) {
    CheckSizes(root);
    return SectionLayout(root).size;
}

void WriteResourceSection(const ResourceDirectory& root, std::uint32_t sectionRva, ByteSink& out) {
    CheckSizes(root);
    const SectionLayout layout(root);
    std::string tables;
    for (const ResourceDirectory* directory : layout.directories)
        WriteDirectory(tables, layout, *directory);
    for (const ResourceEntry* leaf : layout.leaves) {
        AppendU32(tables, sectionRva + layout.dataAt.at(leaf));
        AppendU32(tables, static_cast<std::uint32_t>(leaf->data.Size()));
        AppendU32(tables, leaf->data.codePage);
        AppendU32(tables, 0);
    }
    for (const ResourceEntry* entry : layout.named) {
        AppendU16(tables, static_cast<std::uint16_t>(entry->key.name.size()));
        for (char16_t unit : entry->key.name)
            AppendU16(tables, static_cast<std::uint16_t>(unit));
    }
    const std::uint64_t start = out.Size();
    out.Write(tables);
    for (const ResourceEntry* leaf : layout.leaves) {
        out.Write(std::string(static_cast<std::size_t>(start + layout.dataAt.at(leaf) - out.Size()),
                              '\0'));
        if (leaf->data.file.empty())
            out.Write(leaf->data.bytes);
        else
            ReadInPieces(leaf->data.file, leaf->data.fileSize,
                         [&out](const char* data, std::size_t size) { out.Write(data, size); });
    }
}

std::string WriteResourceSection(const ResourceDirectory& root, std::uint32_t sectionRva) {
    StringSink out;
    WriteResourceSection(root, sectionRva, out);
    return std::move(out.bytes);
}

} // namespace setupkit::builder
