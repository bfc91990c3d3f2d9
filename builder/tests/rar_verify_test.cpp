// Reading a packed archive back: what was packed passes, and every way the
// archive or its record of what went in can differ fails, naming the entry.
#include "builder/build_error.h"
#include "builder/file_io.h"
#include "builder/rar_verify.h"
#include "rar/encode/tests/generated_inputs.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace setupkit::builder {
namespace {

using rar::encode::test::Bytes;

std::string AsString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(VerifyRarArchive, PassesWhatWasPackedAndNamesTheFirstEntryThatDiffers) {
    using namespace rar::encode::test;
    const std::vector<RarEntry> entries = {
        {"units", "", true},
        {"units/grid.pas", AsString(Text(60000, 1))},
        {"bin/grid.bpl", AsString(Code(90000, 2))},
        {"readme.txt", AsString(Text(3000, 3))},
    };
    const std::filesystem::path dir = testing::MakeScratchDir();
    const std::string path = (dir / "a.rar").string();
    StringSink sink;
    const std::vector<PackedEntry> packed =
        WriteRarArchive(entries, {RarLevel::Default, true}, sink);
    const std::string& archive = sink.bytes;
    // Text goes first in a solid stream, so the code is the last entry.
    ASSERT_EQ(packed.back().name, "bin\\grid.bpl");
    const std::size_t codeAt = archive.find("bin\\grid.bpl") + 40; // inside its packed data

    struct Row {
        const char* name;
        std::function<void(std::string& archive, std::vector<PackedEntry>& packed)> spoil;
        const char* message; // empty: passes
    };
    const Row rows[] = {
        {"as packed", [](std::string&, std::vector<PackedEntry>&) {}, ""},
        {"a packed byte changed",
         [&](std::string& a, std::vector<PackedEntry>&) { a[codeAt] ^= 0x20; }, "'bin\\grid.bpl'"},
        {"cut short", [&](std::string& a, std::vector<PackedEntry>&) { a.resize(codeAt); },
         "'bin\\grid.bpl'"},
        {"another checksum recorded",
         [](std::string&, std::vector<PackedEntry>& p) { p.back().crc ^= 1; },
         "'bin\\grid.bpl' decodes to other bytes"},
        {"another size recorded", [](std::string&, std::vector<PackedEntry>& p) { ++p[1].size; },
         "'units\\grid.pas' has a different size"},
        {"entries in another order",
         [](std::string&, std::vector<PackedEntry>& p) { std::swap(p[1], p[2]); },
         "is followed by"},
        {"an entry never written",
         [](std::string&, std::vector<PackedEntry>& p) {
             p.push_back({"late.txt", false, 1, 0});
         },
         "'late.txt' is missing"},
        {"an entry never recorded", [](std::string&, std::vector<PackedEntry>& p) { p.pop_back(); },
         "'bin\\grid.bpl' was never packed"},
    };
    for (const Row& row : rows) {
        std::string spoilt = archive;
        std::vector<PackedEntry> record = packed;
        row.spoil(spoilt, record);
        WriteWholeFile(path, spoilt);
        try {
            VerifyRarArchive(path, record);
            EXPECT_STREQ(row.message, "") << row.name;
        } catch (const BuildError& error) {
            EXPECT_EQ(error.Code(), ExitCode::NotReadBack) << row.name;
            EXPECT_NE(std::string(row.message), "") << row.name << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos)
                << row.name << ": " << error.what();
        }
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace setupkit::builder
