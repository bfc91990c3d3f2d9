// Packed archives as the builder writes them, extracted by our own library
// (the rarx tool) and by the official UnRAR library (node-unrar-js, run as
// a black box).
#include "builder/file_io.h"
#include "builder/rar_writer.h"
#include "rar/encode/tests/generated_inputs.h"
#include "rar/tests/pascal_text.h"
#include "rar/tests/sha256.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;
using rar::encode::test::Bytes;

std::string AsString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string Pascal(std::size_t size, unsigned seed) {
    return AsString(rar::test::PascalText(seed).Make(size));
}

// Random bytes, each length from a seed of its own.
std::string Unpackable(std::size_t size) {
    return AsString(rar::encode::test::Random(size, static_cast<unsigned>(size)));
}

// Lengths at which random bytes go in stored: one of many blocks, and one
// where the measure of their spread is at its roughest.
constexpr std::size_t kUnpackableSizes[] = {100000, 4096};

// Files that cover the stream's corners: empty ones and one that will not
// pack between packed ones, block ends inside a file and between files,
// pieces of input, text and binary grouped apart, code and tables that go
// through filters.
std::vector<RarEntry> Payload() {
    using namespace rar::encode::test;
    std::vector<RarEntry> entries = {
        {"units", "", true},
        {"units/grid.pas", AsString(Text(150000, 1))},
        {"units/empty.inc", ""},
        {"bin/grid.bpl", AsString(Concat({Code(300000, 2), Random(70000, 2), Code(90000, 3)}))},
        {"bin/grid.cab", Unpackable(kUnpackableSizes[0])},
        {"bin/grid.dat", Unpackable(kUnpackableSizes[1])},
        {"bin/grid.res", AsString(Table(200000, 3))},
        {"units/grid.dfm", AsString(Text(20000, 3))},
        {"one.txt", "x"},
        {"bin/big.dat", AsString(Concat({Random(0x100000, 4), Text(0x80000, 5), Run(70000, 0),
                                         Random(0x100000, 4)}))},
        {"units/grid2.pas", AsString(Text(150000, 1))},
        {"units/unit1.pas", Pascal(300000, 1)},
        {"units/unit2.pas", Pascal(100000, 2)},
    };
    for (int i = 0; i < 40; ++i)
        entries.push_back({"tiny/t" + std::to_string(i) + ".txt", AsString(Text(i * 7, i))});
    return entries;
}

std::string Sha256(const std::string& bytes) {
    rar::test::Sha256 hash;
    hash.Update(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return hash.HexDigest();
}

// "sha256 size name" per file, names with '/', sorted by name.
std::string Listing(const std::vector<RarEntry>& entries) {
    std::map<std::string, std::string> lines;
    for (const RarEntry& entry : entries)
        if (!entry.isFolder)
            lines[entry.name] = Sha256(entry.data) + " " + std::to_string(entry.data.size());
    std::string out;
    for (const auto& [name, line] : lines)
        out += line + " " + name + "\n";
    return out;
}

std::string SortedListing(const std::string& text) {
    std::map<std::string, std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::replace(line.begin(), line.end(), '\\', '/');
        lines[line.substr(line.find(' ', 65) + 1)] = line;
    }
    std::string out;
    for (const auto& [name, line] : lines)
        out += line + "\n";
    return out;
}

std::string ExtractedListing(const fs::path& dir) {
    std::string out;
    for (const auto& item : fs::recursive_directory_iterator(dir)) {
        if (item.is_directory())
            continue;
        const std::string bytes = ReadWholeFile(item.path().string());
        out += Sha256(bytes) + " " + std::to_string(bytes.size()) + " " +
               fs::relative(item.path(), dir).generic_string() + "\n";
    }
    return SortedListing(out);
}

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

struct Packing {
    const char* name;
    RarOptions options;
};

class PackedArchive : public ::testing::TestWithParam<Packing> {
  protected:
    void SetUp() override { root_ = testing::MakeScratchDir(); }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

// The payload is packed from files, as the builder packs it: read in pieces
// and written out as it goes, headers set right afterwards; the same entries
// held in memory give the same bytes.
TEST_P(PackedArchive, OurLibraryAndTheOfficialOneExtractEveryFileExactly) {
    const std::vector<RarEntry> entries = Payload();
    for (const RarEntry& entry : entries) {
        fs::create_directories((root_ / "payload" / entry.name).parent_path());
        if (!entry.isFolder)
            WriteWholeFile((root_ / "payload" / entry.name).string(), entry.data);
    }
    const std::vector<RarEntry> files = CollectFolder((root_ / "payload").string(), true);
    const std::string archive = (root_ / "payload.rar").string();
    OutputFile out(archive);
    WriteRarArchive(files, GetParam().options, out);
    out.Commit();
    std::vector<RarEntry> held = files;
    for (RarEntry& entry : held)
        if (!entry.isFolder)
            entry.data = ReadWholeFile(std::exchange(entry.path, {}));
    EXPECT_TRUE(ReadWholeFile(archive) == WriteRarArchive(held, GetParam().options));
    const std::string expected = Listing(entries);

    ASSERT_EQ(Shell(std::string(RARX_TOOL) + " x '" + archive + "' '" + (root_ / "ours").string() +
                    "' >/dev/null"),
              0);
    EXPECT_EQ(ExtractedListing(root_ / "ours"), expected);

    const fs::path listing = root_ / "official.txt";
    ASSERT_EQ(Shell("node '" + std::string(SETUPKIT_SOURCE_DIR) +
                    "/builder/tests/unrar_oracle.js' '" + UNRAR_ORACLE_MODULES + "' '" + archive +
                    "' >'" + listing.string() + "'"),
              0);
    EXPECT_EQ(SortedListing(ReadWholeFile(listing.string())), expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, PackedArchive,
                         ::testing::Values(Packing{"DefaultSolid", {RarLevel::Default, true}},
                                           Packing{"DefaultEachAlone", {RarLevel::Default, false}},
                                           Packing{"BestSolid", {RarLevel::Best, true}},
                                           Packing{"BestEachAlone", {RarLevel::Best, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Real files that were once packed into archives no library read back, each
// packed at every level from its folder, as the builder packs a payload:
// a DLL with code past its first megabyte, and a source tree whose stream
// at the best level once ended a block in PPMd just before a repeat.
class PackingRegression : public ::testing::TestWithParam<Packing> {
  protected:
    // Unpacked once for all levels; no test runs yet to name a scratch folder after.
    static const fs::path& Root() {
        static const fs::path kRoot =
            fs::temp_directory_path() / ("setupkit-packing-regression-" + std::to_string(getpid()));
        return kRoot;
    }
    static void SetUpTestSuite() {
        fs::remove_all(Root());
        const std::string from =
            std::string(SETUPKIT_SOURCE_DIR) + "/../shared/packing-regressions";
        fs::create_directories(Root() / "dll");
        fs::copy_file(from + "/CompInstall.dll", Root() / "dll" / "CompInstall.dll");
        fs::create_directories(Root() / "tree");
        ASSERT_EQ(Shell("tar -xJf '" + from + "/best-stream.tar.xz' -C '" +
                        (Root() / "tree").string() + "'"),
                  0);
    }
    static void TearDownTestSuite() { fs::remove_all(Root()); }
};

TEST_P(PackingRegression, OurLibraryAndTheOfficialOneExtractEveryFileExactly) {
    for (const char* folder : {"dll", "tree"}) {
        const fs::path from = Root() / folder;
        const fs::path work = Root() / (std::string(folder) + "-" + GetParam().name);
        const std::string archive = (work.string() + ".rar");
        OutputFile out(archive);
        WriteRarArchive(CollectFolder(from.string(), true), GetParam().options, out);
        out.Commit();
        const std::string expected = ExtractedListing(from);
        EXPECT_EQ(Shell(std::string(RARX_TOOL) + " x '" + archive + "' '" + work.string() +
                        "' >/dev/null"),
                  0)
            << folder;
        EXPECT_TRUE(ExtractedListing(work) == expected) << folder;
        const fs::path listing = work.string() + ".txt";
        EXPECT_EQ(Shell("node '" + std::string(SETUPKIT_SOURCE_DIR) +
                        "/builder/tests/unrar_oracle.js' '" + UNRAR_ORACLE_MODULES + "' '" +
                        archive + "' >'" + listing.string() + "'"),
                  0)
            << folder;
        EXPECT_TRUE(SortedListing(ReadWholeFile(listing.string())) == expected) << folder;
        fs::remove_all(work);
        fs::remove(archive);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, PackingRegression,
                         ::testing::Values(Packing{"Stored", {RarLevel::Store, true}},
                                           Packing{"Default", {RarLevel::Default, true}},
                                           Packing{"Best", {RarLevel::Best, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PackedArchiveLayout, SmallerThanStoredAndTheSameBytesEveryTime) {
    const std::vector<RarEntry> entries = Payload();
    const std::string packed = WriteRarArchive(entries, {RarLevel::Default, true});
    EXPECT_LT(packed.size(), WriteRarArchive(entries).size() * 3 / 4);
    EXPECT_EQ(WriteRarArchive(entries, {RarLevel::Default, true}), packed);
}

// Bytes as random as a packed format's go in as they are, solid or not, at
// either level (that the stream goes on past them, the extraction above
// shows).
TEST(PackedArchiveLayout, DataThatWouldNotPackIsStoredAsItIs) {
    for (const RarOptions options :
         {RarOptions{RarLevel::Default, true}, RarOptions{RarLevel::Default, false},
          RarOptions{RarLevel::Best, true}}) {
        const std::string archive = WriteRarArchive(Payload(), options);
        for (const std::size_t size : kUnpackableSizes)
            EXPECT_NE(archive.find(Unpackable(size)), std::string::npos)
                << size << " " << static_cast<int>(options.level) << options.solid;
    }
}

// Text at the best level goes out as PPMd, which LZ alone comes nowhere near.
TEST(PackedArchiveLayout, BestPacksTextFarSmallerThanDefault) {
    const std::vector<RarEntry> entries = {{"a.pas", Pascal(400000, 3)},
                                           {"b.pas", Pascal(200000, 4)}};
    const std::size_t best = WriteRarArchive(entries, {RarLevel::Best, true}).size();
    EXPECT_LT(best, WriteRarArchive(entries, {RarLevel::Default, true}).size() * 3 / 5);
    EXPECT_EQ(WriteRarArchive(entries, {RarLevel::Best, true}).size(), best);
}

} // namespace
} // namespace setupkit::builder
