#include "builder/build_error.h"
#include "builder/byte_io.h"
#include "builder/file_io.h"
#include "builder/rar_writer.h"
#include "rar/check/crc32.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

std::uint32_t Crc(const std::string& bytes) {
    return rar::Crc32(0, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// One block of an archive as an independent reader sees it.
struct Block {
    std::uint8_t type;
    std::uint16_t flags;
    std::string header; // the whole header, CRC field included
    std::string data;   // the data area of a file block
};

std::vector<Block> Blocks(const std::string& archive) {
    std::vector<Block> blocks;
    std::size_t at = 7;
    while (at < archive.size()) {
        Block block;
        block.type = static_cast<std::uint8_t>(archive.at(at + 2));
        block.flags = ReadU16(archive, at + 3);
        block.header = archive.substr(at, ReadU16(archive, at + 5));
        const std::size_t dataSize = block.flags & 0x8000 ? ReadU32(archive, at + 7) : 0;
        block.data = archive.substr(at + block.header.size(), dataSize);
        at += block.header.size() + dataSize;
        blocks.push_back(block);
    }
    return blocks;
}

std::string NameOf(const Block& file) {
    return file.header.substr(32, ReadU16(file.header, 26));
}

const std::vector<RarEntry> kEntries = {
    {"units", "", true},
    {"units/grid.pas", "unit Grid;\r\ninterface\r\nimplementation\r\nend.\r\n"},
    {"units\\prod.inc", "{$DEFINE TSGRID}\r\n"},
    {"empty.txt", ""},
    {"bin.dat", std::string("Rar!\x1A\x07\x00\0\xFF\x80", 11), false,
     DosTime(1999, 12, 31, 23, 59, 58)},
};

TEST(RarWriter, EveryHeaderAndFileChecksumIsRight) {
    const std::string archive = WriteRarArchive(kEntries);
    ASSERT_EQ(archive.substr(0, 7), std::string("Rar!\x1A\x07\x00", 7));
    const std::vector<Block> blocks = Blocks(archive);
    ASSERT_EQ(blocks.size(), kEntries.size() + 2);
    EXPECT_EQ(blocks.front().type, 0x73);
    EXPECT_EQ(blocks.back().type, 0x7B);
    for (const Block& block : blocks)
        EXPECT_EQ(ReadU16(block.header, 0), Crc(block.header.substr(2)) & 0xFFFF);
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        const Block& file = blocks[i + 1];
        EXPECT_EQ(file.type, 0x74);
        EXPECT_EQ(file.data, kEntries[i].data);
        EXPECT_EQ(ReadU32(file.header, 11), kEntries[i].data.size()); // unpacked size
        EXPECT_EQ(ReadU32(file.header, 16), kEntries[i].isFolder ? 0 : Crc(kEntries[i].data));
        EXPECT_EQ(ReadU32(file.header, 20), kEntries[i].dosTime);
        EXPECT_EQ(file.header[25], '\x30'); // stored
        EXPECT_EQ((file.flags & 0xE0) == 0xE0, kEntries[i].isFolder);
    }
}

TEST(RarWriter, NamesUseBackslashesAndKeepArchiveOrder) {
    const std::vector<Block> blocks = Blocks(WriteRarArchive(kEntries));
    EXPECT_EQ(NameOf(blocks[1]), "units");
    EXPECT_EQ(NameOf(blocks[2]), "units\\grid.pas");
    EXPECT_EQ(NameOf(blocks[3]), "units\\prod.inc");
    EXPECT_EQ(NameOf(blocks[5]), "bin.dat");
    // Unsafe names are written as given: the extraction tests need them.
    EXPECT_EQ(NameOf(Blocks(WriteRarArchive({{"..\\evil.txt", "x"}}))[1]), "..\\evil.txt");
}

TEST(RarWriter, EmptyArchiveHasOnlyItsFramingBlocks) {
    const std::string archive = WriteRarArchive({});
    EXPECT_EQ(archive.size(), 7u + 13u + 7u);
    EXPECT_EQ(Blocks(archive).size(), 2u);
}

TEST(RarWriter, RejectsAnEntryWithoutAName) {
    EXPECT_THROW(WriteRarArchive({{"", "data"}}), BuildError);
}

TEST(RarWriter, DosTimeEncodesTheFields) {
    EXPECT_EQ(DosTime(1980, 1, 1, 0, 0, 0), 0x00210000u);
    EXPECT_EQ(DosTime(2001, 1, 1, 12, 0, 0), 0x2A216000u);
    EXPECT_EQ(DosTime(2107, 12, 31, 23, 59, 58), 0xFF9FBF7Du);
}

class PayloadFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = testing::MakeScratchDir();
        source_ = root_ / "payload";
        Write("readme.txt", "Read me.\r\n");
        Write("units/grid.pas", "unit Grid;\r\nend.\r\n");
        Write("units/prod.inc", "{$DEFINE TSGRID}\r\n");
        Write("help/TsGrid.hlp", std::string(70000, '\x5A') + std::string("\0\x01\x02", 3));
        Write("Zeta.txt", "");
        fs::create_directories(source_ / "empty");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& name, const std::string& bytes) const {
        fs::create_directories((source_ / name).parent_path());
        std::ofstream(source_ / name, std::ios::binary) << bytes;
    }

    std::string Archive() const {
        const std::string path = (root_ / "payload.rar").string();
        WriteWholeFile(path, WriteRarArchive(CollectFolder(source_.string(), true)));
        return path;
    }

    // Every file and folder under `dir`, relative, with file contents.
    static std::map<std::string, std::string> Tree(const fs::path& dir) {
        std::map<std::string, std::string> tree;
        for (const auto& item : fs::recursive_directory_iterator(dir))
            tree[fs::relative(item.path(), dir).generic_string()] =
                item.is_directory() ? "<folder>" : ReadWholeFile(item.path().string());
        return tree;
    }

    static void Run(const std::string& command, const std::string& output = "/dev/null") {
        const std::string line = command + " >'" + output + "' 2>/dev/null";
        ASSERT_EQ(std::system(line.c_str()), 0) << command;
    }

    fs::path root_;
    fs::path source_;
};

TEST_F(PayloadFolder, CollectsSortedWithFoldersBeforeTheirContents) {
    std::vector<std::string> names;
    for (const RarEntry& entry : CollectFolder(source_.string(), true))
        names.push_back(entry.name + (entry.isFolder ? "\\" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"Zeta.txt", "empty\\", "help\\", "help\\TsGrid.hlp",
                                               "readme.txt", "units\\", "units\\grid.pas",
                                               "units\\prod.inc"}));
    std::size_t files = 0;
    for (const RarEntry& entry : CollectFolder(source_.string(), false)) {
        EXPECT_FALSE(entry.isFolder) << entry.name;
        ++files;
    }
    EXPECT_EQ(files, 5u);
}

// Sets the file's date to a local time, as the archive's field keeps it.
void SetLocalDate(const fs::path& path, int year, int month, int day, int hour, int minute,
                  int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const timeval times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ASSERT_EQ(utimes(path.c_str(), times), 0) << path;
}

// Each file and folder keeps its own date, to the two seconds the field
// holds, within the years it can hold.
TEST_F(PayloadFolder, EntriesCarryTheDatesOfTheirFiles) {
    SetLocalDate(source_ / "readme.txt", 2010, 5, 6, 7, 8, 11);
    SetLocalDate(source_ / "units" / "grid.pas", 1975, 1, 1, 0, 0, 0);
    SetLocalDate(source_ / "help", 2099, 12, 31, 23, 59, 58);
    std::map<std::string, std::uint32_t> dates;
    for (const RarEntry& entry : CollectFolder(source_.string(), true))
        dates[entry.name] = entry.dosTime;
    EXPECT_EQ(dates["readme.txt"], DosTime(2010, 5, 6, 7, 8, 10));
    EXPECT_EQ(dates["units\\grid.pas"], DosTime(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(dates["help"], DosTime(2099, 12, 31, 23, 59, 58));
}

// The same files with the same dates give the same bytes; a date is part of
// what goes in.
TEST_F(PayloadFolder, SameFolderGivesTheSameBytes) {
    const std::string first = WriteRarArchive(CollectFolder(source_.string(), true));
    EXPECT_EQ(WriteRarArchive(CollectFolder(source_.string(), true)), first);
    SetLocalDate(source_ / "readme.txt", 2003, 3, 3, 3, 3, 4);
    EXPECT_NE(WriteRarArchive(CollectFolder(source_.string(), true)), first);
}

// A file that no longer has the size it was found with changed while the
// build read it: it is refused, whether stored, packed or taken for empty.
TEST_F(PayloadFolder, AFileThatChangedSizeIsRefused) {
    const std::vector<std::pair<std::uint64_t, std::string>> cases = {
        {70002, "is larger than the 70002 bytes"},
        {70004, "is smaller than the 70004 bytes"},
        {0, "is larger than the 0 bytes"}};
    for (const RarLevel level : {RarLevel::Store, RarLevel::Default}) {
        for (const auto& [claimed, message] : cases) {
            std::vector<RarEntry> entries = CollectFolder(source_.string(), false);
            entries.at(1).size = claimed;
            ASSERT_EQ(entries[1].name, "help\\TsGrid.hlp");
            try {
                WriteRarArchive(entries, {level, true});
                ADD_FAILURE() << claimed;
            } catch (const BuildError& error) {
                EXPECT_NE(std::string(error.what()).find("TsGrid.hlp' changed while it was read"),
                          std::string::npos)
                    << error.what();
                EXPECT_NE(std::string(error.what()).find(message), std::string::npos)
                    << error.what();
            }
        }
    }
}

TEST_F(PayloadFolder, FoldersThatCannotBeArchivedFaithfullyAreRejected) {
    EXPECT_THROW(CollectFolder((root_ / "nothing").string(), true), BuildError);
    fs::create_directory_symlink(source_, source_ / "units" / "loop");
    EXPECT_THROW(CollectFolder(source_.string(), true), BuildError);
    fs::remove(source_ / "units" / "loop");
    // What is neither file nor folder would be left out without a word.
    fs::create_symlink(source_ / "gone.txt", source_ / "units" / "dangling.txt");
    EXPECT_THROW(CollectFolder(source_.string(), true), BuildError);
    fs::remove(source_ / "units" / "dangling.txt");
    ASSERT_EQ(mkfifo((source_ / "pipe").c_str(), 0600), 0);
    EXPECT_THROW(CollectFolder(source_.string(), true), BuildError);
    fs::remove(source_ / "pipe");
    Write("help/Gr\xC3\xBC\xC3\x9F"
          "e.txt",
          "x");
    EXPECT_THROW(CollectFolder(source_.string(), true), BuildError);
}

TEST_F(PayloadFolder, BsdtarListsAndExtractsIdenticalBytes) {
    const std::string archive = Archive();
    const fs::path listing = root_ / "list.txt";
    Run("bsdtar -tf '" + archive + "'", listing.string());
    EXPECT_EQ(ReadWholeFile(listing.string()),
              "Zeta.txt\nempty\nhelp\nhelp/TsGrid.hlp\nreadme.txt\nunits\nunits/grid.pas\n"
              "units/prod.inc\n");
    fs::create_directories(root_ / "bsdtar");
    Run("bsdtar -xf '" + archive + "' -C '" + (root_ / "bsdtar").string() + "'");
    EXPECT_EQ(Tree(root_ / "bsdtar"), Tree(source_));
}

TEST_F(PayloadFolder, UnarTestsChecksumsAndExtractsIdenticalBytes) {
    const std::string archive = Archive();
    Run("lsar -t '" + archive + "'");
    Run("unar -q -D -o '" + (root_ / "unar").string() + "' '" + archive + "'");
    EXPECT_EQ(Tree(root_ / "unar"), Tree(source_));
}

TEST_F(PayloadFolder, UnarNoticesACorruptedEntry) {
    // Guards the test above: unar does check what it extracts.
    std::string archive = WriteRarArchive(CollectFolder(source_.string(), true));
    archive[archive.find("unit Grid")] = 'U';
    const std::string path = (root_ / "corrupt.rar").string();
    WriteWholeFile(path, archive);
    EXPECT_NE(std::system(("lsar -t '" + path + "' >/dev/null 2>&1").c_str()), 0);
}

} // namespace
} // namespace setupkit::builder
