#include "builder/build_error.h"
#include "builder/command_line.h"
#include "builder/file_io.h"
#include "builder/pe_image.h"
#include "builder/product.h"
#include "builder/resource_tree.h"
#include "builder/tests/test_image.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> AsMap(const std::vector<RcDataResource>& resources) {
    std::map<std::string, std::string> map;
    for (const RcDataResource& resource : resources)
        map[resource.name] = resource.bytes;
    return map;
}

TEST(ProductDescription, ValuesAreExactAndListsEndEveryLineWithCrLf) {
    const auto resources = AsMap(ParseProductDescription("; comment\n"
                                                         "APPNAME=Grid for Delphi 5\r\n"
                                                         "VERSION=1.4 \n"
                                                         "SUCCESSMESSAGE=Yes\n"
                                                         "INSTALLDIR=C:\\A=B\n"
                                                         "EMPTYVALUE=\n"
                                                         "\n"
                                                         "[HELPFILES]\r\n"
                                                         "Grid.cnt\r\n"
                                                         "; not a line\n"
                                                         "\n"
                                                         "Grid.hlp=Grid Help\n"
                                                         "[PACKAGES]\n"
                                                         "[SYSFILES]\n"
                                                         "grid.bpl"));
    EXPECT_EQ(resources, (std::map<std::string, std::string>{
                             {"APPNAME", "Grid for Delphi 5"},
                             {"VERSION", "1.4 "},
                             {"SUCCESSMESSAGE", "Yes"},
                             {"INSTALLDIR", "C:\\A=B"},
                             {"EMPTYVALUE", ""},
                             {"HELPFILES", "Grid.cnt\r\nGrid.hlp=Grid Help\r\n"},
                             {"PACKAGES", ""},
                             {"SYSFILES", "grid.bpl\r\n"},
                         }));
}

void ExpectBadDescription(const std::string& text, const std::string& part) {
    try {
        ParseProductDescription(text);
        ADD_FAILURE() << "accepted: " << text;
    } catch (const BuildError& error) {
        EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
    }
}

TEST(ProductDescription, MistakesAreReportedWithTheirLine) {
    ExpectBadDescription("APPNAME=a\nno equals sign\n", "line 2: expected NAME=value");
    ExpectBadDescription("appname=a\n", "line 1: 'appname' is not a resource name");
    ExpectBadDescription("VERSION=1\n\nVERSION=2\n", "line 3: VERSION is given twice");
    ExpectBadDescription("[SYSFILES]\na\n[SYSFILES]\n", "line 3: SYSFILES is given twice");
    ExpectBadDescription("[SYSFILES\n", "line 1: a section header must end with ']'");
    ExpectBadDescription("CABFILE=x\n", "CABFILE is made by the builder");
    ExpectBadDescription("[UNRARDLL]\n", "UNRARDLL is made by the builder");
}

class Tool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = testing::MakeScratchDir();
        WriteWholeFile(Path("stub.exe"), testing::MakeTestImage(testing::SampleTree()));
        WriteWholeFile(Path("unrar.dll"), std::string("MZ unrar library\0", 17));
        WriteWholeFile(Path("uninstall.exe"), "MZ built uninstaller");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static std::map<std::string, std::string> RcDataOf(const std::string& path) {
        std::map<std::string, std::string> map;
        const ResourceDirectory tree = ReadResourceTree(PeImage(ReadWholeFile(path)));
        for (const ResourceEntry& name : tree.Find(ResourceKey::Id(10))->directory->entries)
            map[std::string(name.key.name.begin(), name.key.name.end())] =
                name.directory->Find(ResourceKey::Id(0))->data.bytes;
        return map;
    }

    // Runs the real program; gives its exit status and leaves stderr in "stderr.txt".
    int RunTool(const std::string& arguments) const {
        const std::string line =
            std::string(SETUPKIT_BUILD_TOOL) + " " + arguments + " 2>'" + Path("stderr.txt") + "'";
        return std::system(line.c_str());
    }

    fs::path dir_;
};

TEST_F(Tool, BuildsTheSampleProduct) {
    const std::string sample = std::string(SETUPKIT_SOURCE_DIR) + "/examples/tessaline";
    RunCommandLine({"--product", sample, "--stub", Path("stub.exe"), "--unrar", Path("unrar.dll"),
                    "--uninstaller", Path("uninstall.exe"), "-o", Path("setup.exe")});
    const auto resources = RcDataOf(Path("setup.exe"));
    EXPECT_EQ(resources.at("APPNAME"), "Tessaline Grid 1.4 for Delphi 5");
    EXPECT_EQ(resources.at("DELPHIVER"), "D5");
    EXPECT_EQ(resources.at("HELPFILES"), "TsGrid.cnt\r\nTsGrid.hlp=Tessaline Grid Help\r\n");
    EXPECT_EQ(resources.at("UNRARDLL"), ReadWholeFile(Path("unrar.dll")));
    const std::string& archive = resources.at("CABFILE");
    EXPECT_EQ(archive.compare(0, 4, "Rar!"), 0);
    EXPECT_NE(archive.find("units\\prod.inc"), std::string::npos);
    EXPECT_NE(archive.find(ReadWholeFile(sample + "/payload/units/tsgrid_d5.dpk")),
              std::string::npos);
    EXPECT_NE(archive.find("UnInstall.exe"), std::string::npos);
    EXPECT_NE(archive.find("MZ built uninstaller"), std::string::npos);
    // Every build of the same product is the same file.
    RunCommandLine({"--product", sample, "--stub", Path("stub.exe"), "--unrar", Path("unrar.dll"),
                    "--uninstaller", Path("uninstall.exe"), "-o", Path("again.exe")});
    EXPECT_EQ(ReadWholeFile(Path("again.exe")), ReadWholeFile(Path("setup.exe")));
}

TEST_F(Tool, AddsTextAndFileResources) {
    WriteWholeFile(Path("list.txt"), "a.bpl\r\nb.bpl");
    ASSERT_EQ(RunTool("'" + Path("stub.exe") + "' '" + Path("setup.exe") +
                      "' 'APPNAME=Grid = 5' SYSFILES=@'" + Path("list.txt") +
                      "' EMPTY= VERSION=@@2"),
              0);
    EXPECT_EQ(RcDataOf(Path("setup.exe")),
              (std::map<std::string, std::string>{{"APPNAME", "Grid = 5"},
                                                  {"SYSFILES", "a.bpl\r\nb.bpl"},
                                                  {"EMPTY", ""},
                                                  {"VERSION", "@2"}}));
}

TEST_F(Tool, BadInputExitsNonZeroWithAMessageAndNoOutput) {
    const std::string stub = "'" + Path("stub.exe") + "' ";
    const std::string out = "'" + Path("setup.exe") + "' ";
    const std::string product = "--stub " + stub + "--unrar '" + Path("unrar.dll") +
                                "' --uninstaller '" + Path("uninstall.exe") + "' -o " + out;
    fs::create_directories(dir_ / "noini" / "payload");
    fs::create_directories(dir_ / "nopayload");
    WriteWholeFile(Path("nopayload/product.ini"), "APPNAME=x\n");
    fs::create_directories(dir_ / "good" / "payload");
    WriteWholeFile(Path("good/product.ini"), "APPNAME=x\n");
    // Arguments and the message expected; each case starts with a setup.exe
    // left from an earlier build, which must not pass for this one's.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {stub + out + "appname=x", "'appname' is not a resource name"},
        {stub + out + "APPNAME", "is not NAME=text or NAME=@file"},
        {stub + out + "SYSFILES=@" + Path("missing.txt"), "missing.txt"},
        {"'" + Path("unrar.dll") + "' " + out + "A=1", "not a PE"},
        {"'" + Path("nothing.exe") + "' " + out + "A=1", "nothing.exe"},
        {"--product '" + Path("noini") + "' " + product, "product.ini"},
        {"--product '" + Path("nopayload") + "' " + product, "payload"},
        {"--product '" + Path("good") + "' --stub " + stub + "--unrar '" + Path("unrar.dll") +
             "' --uninstaller '" + Path("missing.exe") + "' -o " + out,
         "missing.exe"},
        {"--rar '" + Path("nothing") + "' -o " + out, "nothing"},
    };
    for (const auto& [arguments, message] : cases) {
        WriteWholeFile(Path("setup.exe"), "an earlier build");
        EXPECT_NE(RunTool(arguments), 0) << arguments;
        EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find(message), std::string::npos)
            << arguments << "\n"
            << ReadWholeFile(Path("stderr.txt"));
        EXPECT_FALSE(fs::exists(Path("setup.exe"))) << arguments;
    }
    for (const char* arguments :
         {"", "--product x --stub y", "--product a --stub b --unrar c -o d", "--rar x -o"}) {
        EXPECT_NE(RunTool(arguments), 0) << arguments;
        EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find("usage"), std::string::npos);
    }
}

TEST_F(Tool, APayloadWithItsOwnUninstallerKeepsItAndSaysSo) {
    fs::create_directories(dir_ / "product" / "payload" / "sub");
    WriteWholeFile(Path("product/product.ini"), "APPNAME=x\n");
    WriteWholeFile(Path("product/payload/sub/UnInstall.exe"), "MZ not at the top");
    const std::string arguments = "--product '" + Path("product") + "' --stub '" +
                                  Path("stub.exe") + "' --unrar '" + Path("unrar.dll") +
                                  "' --uninstaller '" + Path("uninstall.exe") + "' -o '" +
                                  Path("setup.exe") + "'";
    // One in a sub-folder is not the one the uninstall command names.
    ASSERT_EQ(RunTool(arguments), 0);
    EXPECT_EQ(ReadWholeFile(Path("stderr.txt")), "");
    EXPECT_NE(RcDataOf(Path("setup.exe")).at("CABFILE").find("MZ built uninstaller"),
              std::string::npos);

    WriteWholeFile(Path("product/payload/uninstall.EXE"), "MZ the vendor's own");
    ASSERT_EQ(RunTool(arguments), 0);
    EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find("warning: the payload brings its own"),
              std::string::npos);
    const std::string archive = RcDataOf(Path("setup.exe")).at("CABFILE");
    EXPECT_NE(archive.find("MZ the vendor's own"), std::string::npos);
    EXPECT_EQ(archive.find("MZ built uninstaller"), std::string::npos);
}

TEST_F(Tool, WritesAnArchiveOfAFolder) {
    fs::create_directories(dir_ / "payload" / "units");
    WriteWholeFile(Path("payload/units/a.pas"), "unit A;");
    ASSERT_EQ(RunTool("--rar '" + Path("payload") + "' -o '" + Path("payload.rar") + "'"), 0);
    const std::string archive = ReadWholeFile(Path("payload.rar"));
    EXPECT_EQ(archive.compare(0, 4, "Rar!"), 0);
    EXPECT_NE(archive.find("units\\a.pas"), std::string::npos);
}

} // namespace
} // namespace setupkit::builder
