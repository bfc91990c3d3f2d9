#include "builder/byte_io.h"
#include "builder/pe_image.h"
#include "builder/resource_tree.h"
#include "builder/resources.h"
#include "builder/tests/test_image.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;
using testing::FindLeaf;
using testing::MakeTestImage;
using testing::SampleTree;
using testing::TestImageLayout;

const ResourceKey kRcData = ResourceKey::Id(10);
const ResourceKey kNeutral = ResourceKey::Id(0);

std::string RcData(const std::string& image, const std::string& name) {
    const ResourceDirectory tree = ReadResourceTree(PeImage(image));
    const ResourceData* data = FindLeaf(tree, kRcData, ResourceKey::Name(name), kNeutral);
    return data ? data->bytes : "<absent>";
}

// The tree without its RT_RCDATA branch: what the injector must leave alone.
ResourceDirectory WithoutRcData(const std::string& image) {
    ResourceDirectory tree = ReadResourceTree(PeImage(image));
    tree.entries.erase(std::remove_if(tree.entries.begin(), tree.entries.end(),
                                      [](const ResourceEntry& e) { return e.key == kRcData; }),
                       tree.entries.end());
    return tree;
}

const std::vector<RcDataResource> kConfig = {
    {"APPNAME", "Tessaline Grid for Delphi 5"},
    {"SYSFILES", "tsgrid_d5.bpl\r\n"},
    {"CABFILE", std::string("Rar!\x1A\x07\x00\0binary\0", 16)},
    {"EMPTY", ""},
};

class AddRcData : public ::testing::TestWithParam<TestImageLayout> {};

TEST_P(AddRcData, AddsExactBytesAndKeepsEveryOtherResource) {
    const std::string stub = MakeTestImage(SampleTree(), GetParam());
    const std::string setup = AddRcDataResources(stub, kConfig);
    for (const RcDataResource& resource : kConfig)
        EXPECT_EQ(RcData(setup, resource.name), resource.bytes) << resource.name;
    EXPECT_EQ(WithoutRcData(setup), ReadResourceTree(PeImage(stub)));
}

TEST_P(AddRcData, ReplacesAResourceOfTheSameName) {
    const std::string first = AddRcDataResources(MakeTestImage(SampleTree(), GetParam()), kConfig);
    const std::string second = AddRcDataResources(first, {{"APPNAME", "Renamed"}});
    EXPECT_EQ(RcData(second, "APPNAME"), "Renamed");
    EXPECT_EQ(RcData(second, "SYSFILES"), "tsgrid_d5.bpl\r\n");
    const ResourceDirectory tree = ReadResourceTree(PeImage(second));
    EXPECT_EQ(tree.Find(kRcData)->directory->entries.size(), kConfig.size());
    EXPECT_EQ(tree.Find(kRcData)
                  ->directory->Find(ResourceKey::Name("APPNAME"))
                  ->directory->entries.size(),
              1u);
}

TEST_P(AddRcData, KeepsCodeAndHeadersOutsideTheResources) {
    const std::string stub = MakeTestImage(SampleTree(), GetParam());
    const std::string setup = AddRcDataResources(stub, kConfig);
    const PeImage before(stub);
    const PeImage after(setup);
    const PeSection& text = before.Sections()[0];
    EXPECT_EQ(setup.substr(text.rawPointer, text.rawSize),
              stub.substr(text.rawPointer, text.rawSize));
    EXPECT_EQ(setup.substr(0, 0x40), stub.substr(0, 0x40));
    // SizeOfImage covers the last section, rounded to the section alignment.
    std::uint32_t end = 0;
    for (const PeSection& section : after.Sections())
        end = std::max(end, AlignUp(section.virtualAddress + section.virtualSize, 0x1000));
    EXPECT_EQ(ReadU32(setup, 0x40 + 24 + 56), end);
    EXPECT_EQ(after.ResourceDirectory().rva, after.ResourceSectionRva());
}

// The loader can then map the resources instead of reading them all at start.
TEST_P(AddRcData, ResourcesStartOnAPageOfTheFile) {
    const PeImage setup(AddRcDataResources(MakeTestImage(SampleTree(), GetParam()), kConfig));
    const std::uint32_t rva = setup.ResourceDirectory().rva;
    const auto holder = std::find_if(setup.Sections().begin(), setup.Sections().end(),
                                     [&](const PeSection& s) { return s.virtualAddress == rva; });
    ASSERT_NE(holder, setup.Sections().end());
    EXPECT_EQ(holder->rawPointer % 0x1000, 0u);
}

TEST_P(AddRcData, SameInputGivesTheSameBytes) {
    const std::string stub = MakeTestImage(SampleTree(), GetParam());
    EXPECT_EQ(AddRcDataResources(stub, kConfig), AddRcDataResources(stub, kConfig));
}

INSTANTIATE_TEST_SUITE_P(Layouts, AddRcData,
                         ::testing::Values(TestImageLayout{true, false, false},
                                           TestImageLayout{true, true, false},
                                           TestImageLayout{false, false, false}));

TEST(AddRcDataPlacement, GrowsALastResourceSectionInPlace) {
    const std::string stub = MakeTestImage(SampleTree());
    const PeImage setup(AddRcDataResources(stub, kConfig));
    EXPECT_EQ(setup.Sections().size(), PeImage(stub).Sections().size());
    EXPECT_EQ(setup.ResourceDirectory().rva, 0x2000u);
}

TEST(AddRcDataPlacement, AppendsASectionWhenResourcesCannotGrow) {
    const std::string stub = MakeTestImage(SampleTree(), {true, true, false});
    const PeImage setup(AddRcDataResources(stub, kConfig));
    ASSERT_EQ(setup.Sections().size(), 4u);
    EXPECT_EQ(setup.Sections()[3].virtualAddress, 0x4000u);
    EXPECT_EQ(setup.Sections()[3].rawPointer % 0x200, 0u);
    EXPECT_EQ(setup.ResourceDirectory().rva, 0x4000u);
    EXPECT_EQ(setup.Bytes().compare(setup.Sections()[3].headerOffset, 6, std::string(".rsrc\0", 6)),
              0);
}

// Expects a BuildError whose message contains `part`.
void ExpectRejected(const std::string& image, const std::vector<RcDataResource>& resources,
                    const std::string& part) {
    try {
        AddRcDataResources(image, resources);
        ADD_FAILURE() << "accepted; expected an error mentioning " << part;
    } catch (const BuildError& error) {
        EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
    }
}

TEST(AddRcDataInput, BadImagesAreRejectedWithAClearMessage) {
    const std::string good = MakeTestImage(SampleTree());
    ExpectRejected("APPNAME=This is a text file\r\n", kConfig, "not a PE");
    std::string noSignature = good;
    noSignature[0x40] = 'X';
    ExpectRejected(noSignature, kConfig, "not a PE");
    std::string wide = good;
    WriteU16(wide, 0x40 + 24, 0x20B);
    ExpectRejected(wide, kConfig, "64-bit");
    ExpectRejected(good.substr(0, 0x50), kConfig, "truncated");
    ExpectRejected(good.substr(0, good.size() - 0x100), kConfig, "truncated");
    ExpectRejected(MakeTestImage(SampleTree(), {true, true, true}), kConfig, "no room");
}

TEST(AddRcDataInput, NamesMustBeUpperCaseWords) {
    const std::string good = MakeTestImage(SampleTree());
    for (const char* name : {"appname", "AppName", "1APP", "APP NAME", "APP-NAME", ""})
        ExpectRejected(good, {{name, "x"}}, "not a resource name");
    EXPECT_NO_THROW(AddRcDataResources(good, {{"A", ""}, {"UNRAR_DLL2", ""}}));
}

class SetupFile : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = testing::MakeScratchDir(); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    void Write(const char* name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

    fs::path dir_;
};

TEST_F(SetupFile, WritesTheStubWithTheResources) {
    Write("stub.exe", MakeTestImage(SampleTree()));
    WriteSetupFile(Path("stub.exe"), Path("setup.exe"), kConfig);
    std::ifstream in(Path("setup.exe"), std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(written, AddRcDataResources(MakeTestImage(SampleTree()), kConfig));
    EXPECT_FALSE(fs::exists(Path("setup.exe.partial")));
}

TEST_F(SetupFile, FailureLeavesNoOutputFile) {
    Write("text.exe", "not a program");
    Write("setup.exe", "left from an earlier build");
    EXPECT_THROW(WriteSetupFile(Path("missing.exe"), Path("new.exe"), kConfig), BuildError);
    EXPECT_FALSE(fs::exists(Path("new.exe")));
    EXPECT_THROW(WriteSetupFile(Path("text.exe"), Path("setup.exe"), kConfig), BuildError);
    EXPECT_FALSE(fs::exists(Path("setup.exe")));
    EXPECT_TRUE(fs::exists(Path("text.exe")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
    // An output path naming a folder fails and the folder stays.
    fs::create_directory(dir_ / "folder");
    Write("stub.exe", MakeTestImage(SampleTree()));
    EXPECT_THROW(WriteSetupFile(Path("stub.exe"), Path("folder"), kConfig), BuildError);
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
}

TEST_F(SetupFile, MissingStubIsNamedInTheMessage) {
    try {
        WriteSetupFile(Path("missing.exe"), Path("setup.exe"), kConfig);
        ADD_FAILURE() << "accepted a missing stub";
    } catch (const BuildError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.exe"), std::string::npos);
    }
}

} // namespace
} // namespace setupkit::builder
