#include "builder/tests/test_image.h"

#include "builder/byte_io.h"

namespace setupkit::builder::testing {
namespace {

constexpr std::uint32_t kPeOffset = 0x40;
constexpr std::uint32_t kOptional = kPeOffset + 24;
constexpr std::uint32_t kSectionTable = kOptional + 224;
constexpr std::uint32_t kHeaders = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kFileAlignment = 0x200;

struct Section {
    const char* name;
    std::string data;
};

void PutSectionHeader(std::string& image, int index, const Section& section, std::uint32_t rva,
                      std::uint32_t raw) {
    const std::size_t header = kSectionTable + 40 * index;
    image.replace(header, 8, std::string(section.name).append(8, '\0').substr(0, 8));
    WriteU32(image, header + 8, static_cast<std::uint32_t>(section.data.size()));
    WriteU32(image, header + 12, rva);
    WriteU32(image, header + 16,
             AlignUp(static_cast<std::uint32_t>(section.data.size()), kFileAlignment));
    WriteU32(image, header + 20, raw);
    WriteU32(image, header + 36, 0x40000040);
}

} // namespace

std::string MakeTestImage(const ResourceDirectory& resources, const TestImageLayout& layout) {
    std::vector<Section> sections{{".text", std::string(0x180, '\xCC')}};
    std::uint32_t resourceRva = 0;
    if (layout.withResources) {
        resourceRva = kSectionAlignment * 2;
        sections.push_back({".rsrc", WriteResourceSection(resources, resourceRva)});
    }
    if (layout.sectionAfterResources)
        sections.push_back({".reloc", std::string(0x40, '\x11')});

    std::string image(kHeaders, '\0');
    image.replace(0, 2, "MZ");
    WriteU32(image, 0x3C, kPeOffset);
    image.replace(kPeOffset, 4, std::string("PE\0\0", 4));
    WriteU16(image, kPeOffset + 4, 0x14C);
    WriteU16(image, kPeOffset + 6, static_cast<std::uint16_t>(sections.size()));
    WriteU16(image, kPeOffset + 20, 224);
    WriteU16(image, kPeOffset + 22, layout.dll ? 0x2102 : 0x0102);
    WriteU16(image, kOptional, 0x10B);
    WriteU32(image, kOptional + 32, kSectionAlignment);
    WriteU32(image, kOptional + 36, kFileAlignment);
    WriteU32(image, kOptional + 60, kHeaders);
    WriteU32(image, kOptional + 92, 16);

    std::uint32_t rva = kSectionAlignment;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const auto raw = static_cast<std::uint32_t>(image.size());
        PutSectionHeader(image, static_cast<int>(i), sections[i], rva, raw);
        image += sections[i].data;
        image.resize(AlignUp(static_cast<std::uint32_t>(image.size()), kFileAlignment), '\0');
        rva += kSectionAlignment;
    }
    WriteU32(image, kOptional + 56, rva);
    if (layout.withResources) {
        WriteU32(image, kOptional + 96 + 16, resourceRva);
        WriteU32(image, kOptional + 96 + 20, static_cast<std::uint32_t>(sections[1].data.size()));
    }
    if (layout.headerFull) {
        const std::size_t tableEnd = kSectionTable + 40 * sections.size();
        image.replace(tableEnd, kHeaders - tableEnd, std::string(kHeaders - tableEnd, '\x5A'));
    }
    return image;
}

namespace {

ResourceEntry Leaf(ResourceKey key, std::string bytes, std::uint32_t codePage = 0) {
    ResourceEntry entry;
    entry.key = std::move(key);
    entry.data = {std::move(bytes), codePage};
    return entry;
}

ResourceEntry Node(ResourceKey key, std::vector<ResourceEntry> children) {
    ResourceEntry entry;
    entry.key = std::move(key);
    entry.directory = std::make_unique<ResourceDirectory>();
    entry.directory->entries = std::move(children);
    return entry;
}

} // namespace

ResourceDirectory SampleTree() {
    ResourceDirectory root;
    root.entries.push_back(
        Node(ResourceKey::Id(5),
             {Node(ResourceKey::Name("SETUPDLG"),
                   {Leaf(ResourceKey::Id(0), "neutral dialog"),
                    Leaf(ResourceKey::Id(1031), std::string("dialog\0de", 9), 1252)})}));
    root.entries.push_back(
        Node(ResourceKey::Id(14),
             {Node(ResourceKey::Id(1), {Leaf(ResourceKey::Id(1033), "icon group")})}));
    root.entries.push_back(Node(
        ResourceKey::Id(16),
        {Node(ResourceKey::Id(1), {Leaf(ResourceKey::Id(1033), "version info, odd length")})}));
    return root;
}

const ResourceData* FindLeaf(const ResourceDirectory& root, const ResourceKey& type,
                             const ResourceKey& name, const ResourceKey& language) {
    const ResourceDirectory* directory = &root;
    for (const ResourceKey* key : {&type, &name}) {
        const ResourceEntry* found = directory->Find(*key);
        if (!found || !found->directory)
            return nullptr;
        directory = found->directory.get();
    }
    const ResourceEntry* leaf = directory->Find(language);
    return leaf && !leaf->directory ? &leaf->data : nullptr;
}

} // namespace setupkit::builder::testing
