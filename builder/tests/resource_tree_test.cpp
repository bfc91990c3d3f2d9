#include "builder/build_error.h"
#include "builder/byte_io.h"
#include "builder/pe_image.h"
#include "builder/resource_tree.h"
#include "builder/tests/test_image.h"

#include <gtest/gtest.h>

namespace setupkit::builder {
namespace {

using testing::MakeTestImage;
using testing::SampleTree;

constexpr std::uint32_t kResourceRva = 0x2000; // where MakeTestImage puts .rsrc

TEST(ResourceTree, ReadBackEqualsTheTreeWritten) {
    const ResourceDirectory tree = SampleTree();
    EXPECT_EQ(ReadResourceTree(PeImage(MakeTestImage(tree))), tree);
}

TEST(ResourceTree, WritingTheTreeReadBackGivesTheSameBytes) {
    const std::string first = WriteResourceSection(SampleTree(), kResourceRva);
    const ResourceDirectory reread = ReadResourceTree(PeImage(MakeTestImage(SampleTree())));
    EXPECT_EQ(WriteResourceSection(reread, kResourceRva), first);
}

TEST(ResourceTree, KeepsDirectoryHeaderFieldsAndCodePages) {
    ResourceDirectory tree = SampleTree();
    tree.timeDateStamp = 0x12345678;
    tree.majorVersion = 4;
    tree.entries[0].directory->characteristics = 7;
    const ResourceDirectory reread = ReadResourceTree(PeImage(MakeTestImage(tree)));
    EXPECT_EQ(reread.timeDateStamp, 0x12345678u);
    EXPECT_EQ(reread.majorVersion, 4);
    const ResourceData* german = testing::FindLeaf(
        reread, ResourceKey::Id(5), ResourceKey::Name("SETUPDLG"), ResourceKey::Id(1031));
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(german->codePage, 1252u);
    EXPECT_EQ(german->bytes, std::string("dialog\0de", 9));
}

TEST(ResourceTree, EntriesAreWrittenInTheLoadersSearchOrder) {
    // The loader searches names by binary search: names first, ordered by
    // code units with a prefix before its extensions, then numbers ascending.
    ResourceDirectory root;
    for (const char* name : {"B", "ABC", "AB", "A_"}) {
        ResourceEntry entry;
        entry.key = ResourceKey::Name(name);
        root.entries.push_back(entry);
    }
    for (std::uint16_t id : {300, 2, 16}) {
        ResourceEntry entry;
        entry.key = ResourceKey::Id(id);
        root.entries.push_back(entry);
    }
    const std::string section = WriteResourceSection(root, kResourceRva);
    EXPECT_EQ(ReadU16(section, 12), 4); // named entries
    EXPECT_EQ(ReadU16(section, 14), 3); // numbered entries
    const ResourceDirectory reread = ReadResourceTree(PeImage(MakeTestImage(root)));
    std::vector<ResourceKey> keys;
    for (const ResourceEntry& entry : reread.entries)
        keys.push_back(entry.key);
    EXPECT_EQ(keys, (std::vector<ResourceKey>{ResourceKey::Name("AB"), ResourceKey::Name("ABC"),
                                              ResourceKey::Name("A_"), ResourceKey::Name("B"),
                                              ResourceKey::Id(2), ResourceKey::Id(16),
                                              ResourceKey::Id(300)}));
}

TEST(ResourceTree, DataIsAlignedAndAddressedForTheSectionsPlace) {
    const std::string section = WriteResourceSection(SampleTree(), 0x7000);
    // The version data starts 8-aligned and its data entry addresses it there.
    const std::size_t at = section.find("version info, odd length");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(at % 8, 0u);
    bool addressed = false;
    for (std::size_t i = 0; i + 8 <= section.size(); i += 4)
        addressed |= ReadU32(section, i) == 0x7000 + at && ReadU32(section, i + 4) == 24;
    EXPECT_TRUE(addressed);
}

TEST(ResourceTree, CopiesOwnTheirSubTrees) {
    const ResourceDirectory original = SampleTree();
    ResourceDirectory copy = original;
    copy.entries[0].directory->entries[0].directory->entries[0].data.bytes = "changed";
    EXPECT_EQ(original, SampleTree());
    EXPECT_FALSE(copy == original);
}

TEST(ResourceTree, ImageWithoutResourcesHasAnEmptyTree) {
    ResourceDirectory empty;
    EXPECT_EQ(ReadResourceTree(PeImage(MakeTestImage({}, {false, false, false}))), empty);
}

// Corrupts the image's resource section at `offset` (relative to its start).
std::string WithResourceU32(std::uint32_t offset, std::uint32_t value) {
    std::string image = MakeTestImage(SampleTree());
    const std::size_t section = PeImage(image).OffsetOfRva(kResourceRva, 16);
    WriteU32(image, section + offset, value);
    return image;
}

TEST(ResourceTree, MalformedTreesAreRejected) {
    // Root's first entry pointing back at the root directory.
    EXPECT_THROW(ReadResourceTree(PeImage(WithResourceU32(20, 0x80000000))), BuildError);
    // Root's first entry pointing far outside the section.
    EXPECT_THROW(ReadResourceTree(PeImage(WithResourceU32(20, 0x8FFFFFF0))), BuildError);
    // A name offset beyond the file.
    EXPECT_THROW(ReadResourceTree(PeImage(WithResourceU32(16, 0xFFFFFFF0))), BuildError);
    // An entry count far larger than the section.
    EXPECT_THROW(ReadResourceTree(PeImage(WithResourceU32(12, 0xFFFF0000))), BuildError);
}

TEST(ResourceTree, DataAddressOutsideTheFileIsRejected) {
    std::string image = MakeTestImage(SampleTree());
    const std::string section = WriteResourceSection(SampleTree(), kResourceRva);
    const std::size_t at = section.find("icon group");
    const std::size_t base = PeImage(image).OffsetOfRva(kResourceRva, 16);
    bool patched = false;
    for (std::size_t i = 0; i + 8 <= section.size() && !patched; i += 4)
        if (ReadU32(section, i) == kResourceRva + at) {
            WriteU32(image, base + i, 0x00F00000);
            patched = true;
        }
    ASSERT_TRUE(patched);
    EXPECT_THROW(ReadResourceTree(PeImage(image)), BuildError);
}

} // namespace
} // namespace setupkit::builder
