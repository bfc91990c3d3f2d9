#include "builder/build_error.h"
#include "builder/byte_io.h"
#include "builder/command_line.h"
#include "builder/file_io.h"
#include "builder/pe_image.h"
#include "builder/product.h"
#include "builder/resource_tree.h"
#include "builder/tests/test_image.h"

#include "builder/tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <map>
#include <random>
#include <sstream>

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
    ExpectBadDescription("APPNAME=a\nno equals sign\n",
                         "product.ini:2: 'no equals sign': expected NAME=value");
    ExpectBadDescription(
        "appname=a\n",
        "product.ini:1: appname: not a resource name (an upper-case word): write APPNAME");
    ExpectBadDescription("VERSION=1\n\nVERSION=2\n",
                         "product.ini:3: VERSION: given twice (also on line 1)");
    ExpectBadDescription("[SYSFILES]\na\n[SYSFILES]\n",
                         "product.ini:3: SYSFILES: given twice (also on line 1)");
    ExpectBadDescription("[SYSFILES\n",
                         "product.ini:1: '[SYSFILES': a section header must end with ']'");
    ExpectBadDescription("CABFILE=x\n", "CABFILE: made by the builder");
    ExpectBadDescription("[UNRARDLL]\n", "UNRARDLL: made by the builder");
}

class Tool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = testing::MakeScratchDir();
        WriteWholeFile(Path("stub.exe"), testing::MakeTestImage(testing::SampleTree()));
        testing::TestImageLayout library;
        library.dll = true;
        WriteWholeFile(Path("unrar.dll"), testing::MakeTestImage({}, library));
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

    // Runs the real program; gives its exit status and leaves what it printed
    // (stdout, then stderr) in "stderr.txt".
    // `shell` runs first in the same shell.
    int RunTool(const std::string& arguments, const std::string& shell = "") const {
        const std::string line =
            shell + SETUPKIT_BUILD_TOOL + " " + arguments + " >'" + Path("stderr.txt") + "' 2>&1";
        return std::system(line.c_str());
    }

    fs::path dir_;
};

TEST_F(Tool, BuildsTheSampleProduct) {
    const std::string sample = std::string(SETUPKIT_SOURCE_DIR) + "/examples/tessaline";
    RunCommandLine({"--product", sample, "--stub", Path("stub.exe"), "--unrar", Path("unrar.dll"),
                    "--uninstaller", Path("uninstall.exe"), "-o", Path("setup.exe")});
    const auto resources = RcDataOf(Path("setup.exe"));
    EXPECT_EQ(resources.at("APPNAME"), "Tessaline Grid for Delphi 5");
    EXPECT_EQ(resources.at("DELPHIVER"), "D5");
    EXPECT_EQ(resources.at("HELPFILES"), "TsGrid.cnt\r\nTsGrid.hlp=Tessaline Grid Help\r\n");
    EXPECT_EQ(resources.at("UNRARDLL"), ReadWholeFile(Path("unrar.dll")));
    const std::string& archive = resources.at("CABFILE");
    EXPECT_EQ(archive.compare(0, 4, "Rar!"), 0);
    EXPECT_NE(archive.find("units\\prod.inc"), std::string::npos);
    // Packed by default: our library gives the files back.
    const std::string dpk = ReadWholeFile(sample + "/payload/units/tsgrid_d5.dpk");
    EXPECT_EQ(archive.find(dpk), std::string::npos);
    WriteWholeFile(Path("payload.rar"), archive);
    ASSERT_EQ(std::system((std::string(RARX_TOOL) + " x '" + Path("payload.rar") + "' '" +
                           Path("out") + "' >/dev/null")
                              .c_str()),
              0);
    EXPECT_EQ(ReadWholeFile(Path("out/units/tsgrid_d5.dpk")), dpk);
    EXPECT_EQ(ReadWholeFile(Path("out/UnInstall.exe")), ReadWholeFile(Path("uninstall.exe")));
    // --store keeps the bytes as they are.
    RunCommandLine({"--product", sample, "--stub", Path("stub.exe"), "--unrar", Path("unrar.dll"),
                    "--uninstaller", Path("uninstall.exe"), "-o", Path("stored.exe"), "--store"});
    EXPECT_NE(RcDataOf(Path("stored.exe")).at("CABFILE").find(dpk), std::string::npos);
    // Every build of the same product is the same file (its version resource
    // names the file, so under the same name).
    fs::create_directories(Path("again"));
    RunCommandLine({"--product", sample, "--stub", Path("stub.exe"), "--unrar", Path("unrar.dll"),
                    "--uninstaller", Path("uninstall.exe"), "-o", Path("again/setup.exe")});
    EXPECT_TRUE(ReadWholeFile(Path("again/setup.exe")) == ReadWholeFile(Path("setup.exe")));
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
    WriteWholeFile(Path("good/product.ini"),
                   "APPNAME=x\nPRODUCTNAME=x\nINSTALLDIR=C:\\x\nDELPHIVER=D5\n");
    WriteWholeFile(Path("product.ini"), "APPNAME=x\n");
    // Arguments and the message expected; each case starts with a setup.exe
    // left from an earlier build, which must not pass for this one's.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {stub + out + "appname=x", "'appname' is not a resource name"},
        {stub + out + "APPNAME", "is not NAME=text or NAME=@file"},
        {stub + out + "SYSFILES=@" + Path("missing.txt"), "missing.txt"},
        {"'" + Path("product.ini") + "' " + out + "A=1", "not a PE"},
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
    for (const char* arguments : {"", "--product x --stub y", "--product a --stub b --unrar c -o d",
                                  "--rar x -o", "--rar x -o y --store --best"}) {
        EXPECT_NE(RunTool(arguments), 0) << arguments;
        EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find("usage"), std::string::npos);
    }
}

TEST_F(Tool, APayloadWithItsOwnUninstallerKeepsItAndSaysSo) {
    fs::create_directories(dir_ / "product" / "payload" / "sub");
    WriteWholeFile(Path("product/product.ini"),
                   "APPNAME=x\nPRODUCTNAME=x\nINSTALLDIR=C:\\x\nDELPHIVER=D5\n");
    WriteWholeFile(Path("product/payload/sub/UnInstall.exe"), "MZ not at the top");
    const std::string arguments = "--product '" + Path("product") + "' --stub '" +
                                  Path("stub.exe") + "' --unrar '" + Path("unrar.dll") +
                                  "' --uninstaller '" + Path("uninstall.exe") + "' -o '" +
                                  Path("setup.exe") + "' --store";
    // One in a sub-folder is not the one the uninstall command names.
    // Nothing to warn of: the one line says what was built, and the setup
    // is a program to run.
    ASSERT_EQ(RunTool(arguments), 0);
    const std::string said = ReadWholeFile(Path("stderr.txt"));
    EXPECT_EQ(said.rfind(Path("setup.exe") + ": 2 files, 0.0 KB of payload, setup 7.0 KB (", 0), 0u)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(fs::status(Path("setup.exe")).permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
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

// A product that passes every check, and the ways a vendor gets it wrong.
class ProductChecks : public Tool {
  protected:
    void SetUp() override {
        Tool::SetUp();
        MakeGoodPayload();
    }

    void MakeGoodPayload() const {
        fs::remove_all(dir_ / "product");
        Payload("units/grid.dpk", "package grid;\n{$DESIGNONLY}\n");
        Payload("units/grid.pas", "unit grid;");
        Payload("Grid.hlp", "help");
        Payload("readme.txt", "read me");
    }

    // Every path under the test's folder, sorted.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void Payload(const std::string& name, const std::string& bytes) const {
        fs::create_directories((dir_ / "product" / "payload" / name).parent_path());
        WriteWholeFile(Path("product/payload/" + name), bytes);
    }

    // The good product.ini with `changes` made (an empty value drops the
    // line), then `lists`.
    static std::string Ini(const std::map<std::string, std::string>& changes,
                           const std::string& lists = "") {
        std::vector<std::pair<std::string, std::string>> values = {
            {"APPNAME", "Grid for Delphi 5"},
            {"PRODUCTNAME", "Grid"},
            {"VERSION", "1.0"},
            {"INSTALLDIR", "%PROGRAMFILES%Grid"},
            {"DELPHIVER", "D5"}};
        for (const auto& [key, value] : changes) {
            const auto known =
                std::find_if(values.begin(), values.end(),
                             [&wanted = key](const auto& line) { return line.first == wanted; });
            if (known == values.end())
                values.emplace_back(key, value);
            else
                known->second = value;
        }
        std::string text;
        for (const auto& [key, value] : values)
            if (!value.empty())
                text += key + "=" + value + "\n";
        return text + lists;
    }

    std::string Build(const std::string& stub = "stub.exe",
                      const std::string& unrar = "unrar.dll") const {
        return "--product '" + Path("product") + "' --stub '" + Path(stub) + "' --unrar '" +
               Path(unrar) + "' --uninstaller '" + Path("uninstall.exe") + "' -o '" +
               Path("setup.exe") + "'";
    }

    std::string Check(const std::string& extra = "") const {
        return "check --product '" + Path("product") + "'" + extra;
    }
};

TEST_F(ProductChecks, EachMistakeIsReportedWithItsLineAndExitCode) {
    const std::string good = "[BUILDPACKAGES]\ngrid.dpk=Grid\n[HELPFILES]\nGrid.hlp=Grid Help\n";
    struct Case {
        std::string ini;
        std::function<void()> payload; // changes to the good payload, if any
        std::string message;
        int exitCode;
        std::string arguments;
    };
    const std::string check = Check();
    const std::vector<Case> cases = {
        {Ini({}, good), {}, "no problems found", 0, check},
        // Lists that name files the setup would take wrongly.
        {Ini({}, "[SYSFILES]\nMainUnit.pas\n"),
         [&] {
             Payload("units/MainUnit.pas", "unit MainUnit;");
             Payload("demo/MainUnit.pas", "unit MainUnit;");
         },
         "product.ini:7: SYSFILES: 'MainUnit.pas' is the name of several payload files "
         "(demo\\MainUnit.pas, units\\MainUnit.pas)",
         1, check},
        {Ini({}, "[BUILDPACKAGES]\ngrid.dpk=Grid\n[SYSFILES]\ngrid.dpk\n"),
         {},
         "product.ini:7: BUILDPACKAGES: 'grid.dpk' is in SYSFILES too",
         1,
         check},
        {Ini({}, "[SYSFILES]\nreadme.txt\n[PROGLINKS]\nRead Me=readme.txt\n"),
         {},
         "product.ini:9: PROGLINKS: 'readme.txt' is listed in SYSFILES, so it does not land in "
         "the destination folder the shortcut points to",
         1,
         check},
        {Ini({}, "[PACKAGES]\ngrid.dpk=Grid\n"),
         {},
         "product.ini:7: PACKAGES: 'grid.dpk' is not a compiled package of D5 (.BPL), which the "
         "IDE would fail to load: compile the source with [BUILDPACKAGES] instead",
         1,
         check},
        {Ini({{"DELPHIVER", "D3"}}, "[PACKAGES]\ngrid.bpl=Grid\n"),
         [&] { Payload("bin/grid.bpl", "package"); },
         "PACKAGES: 'grid.bpl' is not a compiled package of D3 (.DPL)", 1, check},
        {Ini({{"DELPHIVER", "D5"}}, "[PACKAGES]\ngrid.bpl=Grid\n"),
         [&] { Payload("bin/grid.bpl", "package"); }, "no problems found", 0, check},
        {Ini({{"APPNAME", ""}}),
         {},
         "product.ini:1: APPNAME: missing, so the welcome box",
         1,
         check},
        {Ini({{"PRODUCTNAME", ""}}, good), {}, "product.ini:5: PRODUCTNAME: missing", 1, check},
        {Ini({{"INSTALLDIR", ""}}), {}, "INSTALLDIR: missing", 1, check},
        {Ini({{"PROMPTINSTALDIR", "No"}}),
         {},
         "product.ini:6: PROMPTINSTALDIR: the setup reads no "
         "resource of this name: did you mean PROMPTINSTALLDIR?",
         1,
         check},
        {Ini({{"DELPHIVER", ""}, {"DELPHIVERSION", "D5"}}),
         {},
         "did you mean DELPHIVER?",
         1,
         check},
        {Ini({}, "[BUILDPACKAGE]\ngrid.dpk=Grid\n"), {}, "did you mean BUILDPACKAGES?", 1, check},
        {Ini({}, "[SYSFILES]\nreadme.txt\nSUCCESSMESSAGE=Yes\n"),
         {},
         "product.ini:8: SYSFILES: SUCCESSMESSAGE is a single value but stands in the [SYSFILES] "
         "section",
         1,
         check},
        {Ini({{"DELPHIVER", "D6"}}),
         {},
         "DELPHIVER: 'D6' is not an IDE code the setup knows (D2, "
         "C1, D3, C3, D4, C4, D5), so it would stop with "
         "\"Incompatible version\": write one of them",
         1,
         check},
        {Ini({{"DELPHIVER", "delphi5"}}), {}, "write DELPHIVER=D5", 1, check},
        {Ini({{"APPNAME", "Grid \"Pro\" Edition"}}),
         {},
         "product.ini:1: APPNAME: 'Grid \"Pro\" Edition' holds a double quote, and the "
         "uninstall command",
         1,
         check},
        {Ini({{"PRODUCTNAME", "\\"}}),
         {},
         "product.ini:2: PRODUCTNAME: '\\' holds a backslash, and names a registry key",
         1,
         check},
        {Ini({{"SUBPRODUCTNAME", "Grid\\Pro"}}),
         {},
         "product.ini:6: SUBPRODUCTNAME: 'Grid\\Pro' holds a backslash",
         1,
         check},
        {Ini({{"DELPHIVER", "D5 "}}), {}, "'D5 ' is not an IDE code", 1, check},
        {Ini({{"CHECKDELPHI", "No "}}),
         {},
         "product.ini:6: CHECKDELPHI: warning: 'No ' is not "
         "exactly No (letter case and blanks count), so the setup "
         "leaves the option on: write CHECKDELPHI=No",
         0,
         check},
        {Ini({{"SUCCESSMESSAGE", "yes"}}),
         {},
         "leaves the option off: write SUCCESSMESSAGE=Yes",
         0,
         check},
        {Ini({{"SUCCESSMESSAGE", "yes"}}), {}, "1 warning(s) (--strict)", 1, Check(" --strict")},
        {Ini({{"CHECKPREVVERSION", "maybe"}}),
         {},
         "write CHECKPREVVERSION=Yes or CHECKPREVVERSION=No",
         1,
         check},
        {"APPNAME=a\rPRODUCTNAME=b\r",
         {},
         "product.ini:1: the lines end with a carriage return alone",
         1,
         check},
        {"\xEF\xBB\xBF" + Ini({}), {}, "no problems found", 0, check},
        {Ini({{"APPNAME", "Grid \xE2\x98\x83"}}),
         {},
         "APPNAME: holds a character outside the "
         "Windows ANSI code page (Windows-1252)",
         1,
         check},
        {Ini({{"APPNAME", "Gr\xC3\xAF"
                          "d \xE2\x80\x93 5"}}),
         {},
         "no problems found",
         0,
         check},
        {Ini({{"APPNAME", "Grid 1.0 for Delphi 5"}}),
         {},
         "APPNAME: warning: holds the version '1.0'",
         0,
         check},
        {Ini({{"SYSFILES", "grid.bpl"}}),
         {},
         "SYSFILES: SYSFILES is a list: write a [SYSFILES] section",
         1,
         check},
        {Ini({{"APPNAME", ""}}, "[APPNAME]\nx\n"),
         {},
         "APPNAME is a single value: write APPNAME=... before",
         1,
         check},
        {Ini({}, "[BUILDPACKAGES]\nunits\\grid.dpk=Grid\n"),
         {},
         "product.ini:7: BUILDPACKAGES: 'units\\grid.dpk' is a path, but the setup matches bare "
         "file names wherever they are in the payload: write grid.dpk",
         1,
         check},
        {Ini({}, "[BUILDPACKAGES]\ngridx.dpk=Grid\n"),
         {},
         "no file named 'gridx.dpk' in the payload",
         1,
         check},
        {Ini({}, "[BUILDPACKAGES]\ngrid.dpk = Grid\n"),
         {},
         "'grid.dpk ' has blanks around it",
         1,
         check},
        {Ini({}, "[BUILDPACKAGES]\ngrid.dpk\n"), {}, "'grid.dpk' has no '='", 1, check},
        {Ini({}, "[BUILDPACKAGES]\nrt.dpk=Runtime\n"),
         [&] { Payload("src/rt.dpk", "package rt;\n{$RunOnly}\nend."); },
         "BUILDPACKAGES: warning: src\\rt.dpk is a runtime-only package ({$RUNONLY})", 0, check},
        {Ini({}, "[PACKAGES]\ngrid.bpl=Grid\n"),
         {},
         "PACKAGES: no file named 'grid.bpl'",
         1,
         check},
        {Ini({}, "[SYSFILES]\ngrid.pas=x\n"), {}, "SYSFILES lines are bare file names", 1, check},
        {Ini({}, "[HELPFILES]\nhelp\\Grid.hlp=Grid Help\n"),
         {},
         "HELPFILES: 'help\\Grid.hlp' is a path",
         1,
         check},
        {Ini({}, "[PROGLINKS]\nDemo=demo.exe\n"), [&] { Payload("bin/demo.exe", "MZ"); },
         "INSTALLDIR\\demo.exe, but the payload's top folder holds no 'demo.exe' (it holds "
         "bin\\demo.exe)",
         1, check},
        {Ini({}, "[PROGLINKS]\nReadme=docs\\readme.txt\n"),
         {},
         "PROGLINKS: warning: 'docs\\readme.txt': only the file name counts",
         0,
         check},
        {Ini({{"RUNAFTERINSTALL", "doc/readme.txt"}}),
         {},
         "the payload holds no such file: write the path below payload/, here "
         "RUNAFTERINSTALL=readme.txt",
         1,
         check},
        {Ini({{"RUNAFTERINSTALL", "units/grid.pas"}}), {}, "no problems found", 0, check},
        {Ini({}), [&] { Payload("q?.txt", ""); }, "payload/q?.txt: holds '?'", 1, check},
        {Ini({}), [&] { Payload("units/aux.pas", ""); }, "payload/units/aux.pas: is a device name",
         1, check},
        {Ini({}), [&] { Payload("a\\b.txt", ""); }, "holds '\\', which Windows does not allow", 1,
         check},
        {Ini({}), [&] { Payload("notes.", ""); }, "ends with a dot or a blank", 1, check},
        {Ini({}), [&] { Payload("README.TXT", ""); },
         "payload/readme.txt: differs from 'README.TXT' only in letter case", 1, check},
        {Ini({}), [&] { Payload(std::string(100, 'a') + "/" + std::string(101, 'b'), ""); },
         "the path is 202 characters long and reaches the 260", 1, check},
        {Ini({}), [&] { Payload(std::string(100, 'a') + "/" + std::string(100, 'b'), ""); },
         "no problems found", 0, check},
        {Ini({}),
         [&] {
             WriteWholeFile(Path("outside.txt"), "x");
             fs::create_symlink(Path("outside.txt"), Path("product/payload/out.txt"));
         },
         "payload/out.txt: is a link to '" + Path("outside.txt") + "' outside the payload", 1,
         check},
        {Ini({}), [&] { fs::create_symlink("readme.txt", Path("product/payload/again.txt")); },
         "no problems found", 0, check},
        {Ini({}), [&] { ASSERT_EQ(mkfifo(Path("product/payload/pipe").c_str(), 0600), 0); },
         "payload/pipe: is a special file", 1, check},
        {Ini({}), [&] { fs::create_directories(Path("product/payload/empty")); },
         "payload/empty: warning: an empty folder is not installed", 0, check},
        {Ini({}),
         {},
         "unrar.dll: is a DLL, not the setup program: are --stub and --unrar swapped?",
         1,
         Build("unrar.dll", "stub.exe")},
        {Ini({}),
         [&] {
             fs::copy_file(Path("made.exe"), Path("stub.exe"),
                           fs::copy_options::overwrite_existing);
         },
         "already carries configuration resources (APPNAME, CABFILE", 1, Build()},
    };
    WriteWholeFile(Path("product/product.ini"), Ini({}));
    ASSERT_EQ(RunTool(Build()), 0) << ReadWholeFile(Path("stderr.txt"));
    fs::rename(Path("setup.exe"), Path("made.exe"));
    const std::string goodStub = ReadWholeFile(Path("stub.exe"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        MakeGoodPayload();
        WriteWholeFile(Path("stub.exe"), goodStub);
        if (c.payload)
            c.payload();
        WriteWholeFile(Path("product/product.ini"), c.ini);
        const int status = RunTool(c.arguments);
        const std::string output = ReadWholeFile(Path("stderr.txt"));
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << output;
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
        EXPECT_FALSE(fs::exists(Path("setup.exe")));
    }
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST_F(ProductChecks, OptionsGoInAnyOrderAndNoInputIsEverTheOutput) {
    WriteWholeFile(Path("product/product.ini"), Ini({}));
    const std::string stub = Quoted(Path("stub.exe")), unrar = Quoted(Path("unrar.dll")),
                      product = Quoted(Path("product")),
                      uninstaller = Quoted(Path("uninstall.exe"));
    ASSERT_EQ(RunTool("-o " + Quoted(Path("setup.exe")) + " --unrar " + unrar + " --uninstaller " +
                      uninstaller + " --stub " + stub + " --product " + product),
              0)
        << ReadWholeFile(Path("stderr.txt"));
    const std::string built = ReadWholeFile(Path("setup.exe"));
    fs::remove(Path("setup.exe"));
    ASSERT_EQ(RunTool(Build()), 0);
    EXPECT_EQ(ReadWholeFile(Path("setup.exe")), built);
    fs::remove(Path("setup.exe"));
    // Reading the archive back changes nothing in it.
    ASSERT_EQ(RunTool("--no-verify " + Build()), 0);
    EXPECT_EQ(ReadWholeFile(Path("setup.exe")), built);
    fs::remove(Path("setup.exe"));

    fs::create_hard_link(Path("unrar.dll"), Path("linked.dll"));
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    const auto inputs = [&] {
        std::map<std::string, std::string> bytes;
        for (const char* name :
             {"stub.exe", "unrar.dll", "product/product.ini", "product/payload/readme.txt"})
            bytes[name] = ReadWholeFile(Path(name));
        return bytes;
    };
    const auto before = inputs();
    const std::string options = "--product " + product + " --stub " + stub + " --unrar " + unrar +
                                " --uninstaller " + uninstaller;
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"--stub " + stub + " --product " + product + " " + unrar, "--unrar is missing"},
        {Build() + " --compress", "unknown option '--compress'"},
        {"--compress " + Build(), "unknown option '--compress'"},
        {options + " -o " + Quoted(Path("product/../stub.exe")), "is one of the inputs"},
        {options + " -o " + Quoted(Path("linked.dll")), "is one of the inputs"},
        {options + " -o " + Quoted(Path("product/payload/readme.txt")), "is one of the inputs"},
        {options + " -o " + Quoted(Path("pipe")), "exists and is not a regular file"},
        {options + " -o", "-o needs a value"},
        {stub + " --stub " + unrar + " A=1", "--stub does not belong to this command"},
        {stub + " " + Quoted(Path("product/../stub.exe")) + " A=1", "is one of the inputs"},
        {stub + " " + Quoted(Path("product/product.ini")) + " A=1 B=@" +
             Path("product/product.ini"),
         "is one of the inputs"},
        {"list", "list needs more arguments"},
        {"check --no-verify --product " + product, "--no-verify does not belong to this command"},
    };
    for (const auto& [arguments, message] : refused) {
        EXPECT_EQ(WEXITSTATUS(RunTool(arguments)), 2) << arguments;
        EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find(message), std::string::npos)
            << arguments << "\n"
            << ReadWholeFile(Path("stderr.txt"));
        EXPECT_TRUE(inputs() == before) << arguments;
        EXPECT_FALSE(fs::exists(Path("setup.exe"))) << arguments;
        EXPECT_TRUE(fs::is_fifo(Path("pipe"))) << arguments;
    }
}

// A mistake in a line is told once, with what to write built from the
// vendor's own line, not again as the key it meant being missing.
TEST_F(ProductChecks, OneMistakeGivesOneMessage) {
    const std::string rest = "PRODUCTNAME=Grid\nINSTALLDIR=C:\\Grid\nDELPHIVER=D5\n";
    const std::pair<std::string, std::string> rows[] = {
        {"APPNAMES=Tessaline Grid\n" + rest,
         "product.ini:1: APPNAMES: the setup reads no resource of this name: did you mean "
         "APPNAME? write APPNAME=Tessaline Grid"},
        {"APPNAME = Tessaline Grid\n" + rest,
         "product.ini:1: APPNAME : not a resource name (an upper-case word without blanks around "
         "it): write APPNAME=Tessaline Grid"},
        {"APPNAME=\xE6\x97\xA5\xE6\x9C\xAC\n" + rest,
         "product.ini:1: APPNAME: holds a character outside the Windows ANSI code page"},
        {"PRODUCTNAM=Grid\nAPPNAME=Grid\nINSTALLDIR=C:\\Grid\nDELPHIVER=D5\n",
         "product.ini:1: PRODUCTNAM: the setup reads no resource of this name: did you mean "
         "PRODUCTNAME? write PRODUCTNAME=Grid"},
        {std::string("\xFF\xFE"
                     "A\0=\0x\0",
                     8),
         "product.ini:1: the file is UTF-16 text"},
    };
    for (const auto& [ini, message] : rows) {
        WriteWholeFile(Path("product/product.ini"), ini);
        EXPECT_EQ(WEXITSTATUS(RunTool(Check())), 1) << message;
        const std::string said = ReadWholeFile(Path("stderr.txt"));
        EXPECT_EQ(said.find(message), 0u) << said;
        EXPECT_NE(said.find("1 error(s), 0 warning(s)"), std::string::npos) << said;
    }
}

// --sign runs the vendor's command on the uninstaller and the library before
// they go in, and on the setup last; a signed setup reads as before. A command
// that fails leaves no output, and a stub or uninstaller signed already (its
// signature would break) is refused.
TEST_F(ProductChecks, SignsTheUninstallerTheLibraryAndLastTheSetup) {
    WriteWholeFile(Path("product/product.ini"), Ini({}));
    WriteWholeFile(Path("uninstall.exe"), testing::MakeTestImage({}));
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Vendor -days 1 "
                           "-keyout '" +
                           Path("key.pem") + "' -out '" + Path("cert.pem") + "' 2>/dev/null")
                              .c_str()),
              0);
    const std::string osslsign = "osslsigncode sign -certs '" + Path("cert.pem") + "' -key '" +
                                 Path("key.pem") + "' -in \"$1\" -out \"$1.signed\" >/dev/null";
    WriteWholeFile(Path("sign.sh"), "#!/bin/sh\n" + osslsign + " && mv \"$1.signed\" \"$1\"\n");
    fs::permissions(Path("sign.sh"), fs::perms::owner_all);
    const auto verifies = [&](const std::string& file) {
        return std::system(("osslsigncode verify -CAfile '" + Path("cert.pem") + "' -in '" + file +
                            "' >/dev/null 2>&1")
                               .c_str()) == 0;
    };
    const std::string sign = " --sign '" + Path("sign.sh") + " %1'";
    const std::vector<std::string> before = Listing();

    ASSERT_EQ(RunTool(Build() + sign), 0) << ReadWholeFile(Path("stderr.txt"));
    EXPECT_TRUE(verifies(Path("setup.exe")));
    const auto resources = RcDataOf(Path("setup.exe"));
    WriteWholeFile(Path("library.dll"), resources.at("UNRARDLL"));
    EXPECT_TRUE(verifies(Path("library.dll")));
    WriteWholeFile(Path("payload.rar"), resources.at("CABFILE"));
    ASSERT_EQ(std::system((std::string(RARX_TOOL) + " x '" + Path("payload.rar") + "' '" +
                           Path("out") + "' >/dev/null")
                              .c_str()),
              0);
    EXPECT_TRUE(verifies(Path("out/UnInstall.exe")));
    EXPECT_EQ(RunTool("list '" + Path("setup.exe") + "'"), 0);
    std::string tampered = ReadWholeFile(Path("setup.exe"));
    tampered[tampered.size() / 3] ^= 1;
    WriteWholeFile(Path("tampered.exe"), tampered);
    EXPECT_FALSE(verifies(Path("tampered.exe")));

    for (const char* name : {"setup.exe", "library.dll", "payload.rar", "tampered.exe"})
        fs::remove(Path(name));
    fs::remove_all(Path("out"));
    EXPECT_EQ(WEXITSTATUS(RunTool(Build() + " --sign 'false %1'")), 1);
    EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find("the sign command failed"), std::string::npos);
    fs::remove(Path("stderr.txt"));
    EXPECT_EQ(Listing(), before);
    EXPECT_EQ(WEXITSTATUS(RunTool(Build() + " --sign 'true'")), 2);

    ASSERT_EQ(std::system(("sh '" + Path("sign.sh") + "' '" + Path("stub.exe") + "'").c_str()), 0);
    EXPECT_EQ(WEXITSTATUS(RunTool(Build())), 1);
    EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find("is signed already"), std::string::npos)
        << ReadWholeFile(Path("stderr.txt"));
    EXPECT_FALSE(fs::exists(Path("setup.exe")));
}

std::u16string Utf16(const std::string& ansi) {
    std::u16string wide;
    for (const char c : ansi)
        wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

bool HoldsText(const std::string& bytes, const std::u16string& text) {
    return bytes.find(std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size())) !=
           std::string::npos;
}

// PUBLISHER, COPYRIGHT, VERSION and ICON make the setup file's version
// resource and icon; check says what is wrong with them.
TEST_F(ProductChecks, VersionResourceAndIconComeFromProductIni) {
    // An icon of two images, 16 and 32 pixels wide.
    std::string ico("\0\0\1\0\2\0", 6);
    const std::string images[] = {std::string(40, 'a'), std::string(90, 'b')};
    std::size_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        ico += std::string(1, static_cast<char>(16 << i)) +
               std::string(1, static_cast<char>(16 << i)) + std::string("\0\0\1\0\x20\0", 6);
        for (std::uint32_t field :
             {static_cast<std::uint32_t>(images[i].size()), static_cast<std::uint32_t>(offset)})
            for (int b = 0; b < 4; ++b)
                ico += static_cast<char>(field >> (8 * b));
        offset += images[i].size();
    }
    ico += images[0] + images[1];
    WriteWholeFile(Path("product/setup.ico"), ico);
    WriteWholeFile(Path("product/product.ini"), Ini({{"VERSION", "1.4"},
                                                     {"PUBLISHER", "Tessaline Software"},
                                                     {"COPYRIGHT", "\xC2\xA9 2026 Tessaline"},
                                                     {"ICON", "setup.ico"}}));
    ASSERT_EQ(RunTool(Build()), 0) << ReadWholeFile(Path("stderr.txt"));
    const ResourceDirectory tree = ReadResourceTree(PeImage(ReadWholeFile(Path("setup.exe"))));
    const ResourceData* version =
        testing::FindLeaf(tree, ResourceKey::Id(16), ResourceKey::Id(1), ResourceKey::Id(0x409));
    ASSERT_NE(version, nullptr);
    for (const std::string& text :
         {std::string("Tessaline Software"), std::string("Grid for Delphi 5 Setup"),
          std::string("setup.exe"), std::string("\xA9 2026 Tessaline"), std::string("1.4")})
        EXPECT_TRUE(HoldsText(version->bytes, Utf16(text))) << text;
    const std::size_t fixed = version->bytes.find("\xBD\x04\xEF\xFE");
    ASSERT_NE(fixed, std::string::npos);
    EXPECT_EQ(ReadU32(version->bytes, fixed + 8), 0x00010004u); // 1.4
    EXPECT_EQ(ReadU32(version->bytes, fixed + 12), 0u);         // .0.0
    const ResourceData* group =
        testing::FindLeaf(tree, ResourceKey::Id(14), ResourceKey::Id(1), ResourceKey::Id(0x409));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->bytes.size(), 6u + 2 * 14);
    EXPECT_EQ(ReadU16(group->bytes, 4), 2);
    for (std::uint16_t i = 0; i < 2; ++i) {
        EXPECT_EQ(ReadU16(group->bytes, 6 + 14 * i + 12), i + 1);
        const ResourceData* image = testing::FindLeaf(
            tree, ResourceKey::Id(3), ResourceKey::Id(i + 1), ResourceKey::Id(0x409));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->bytes, images[i]);
    }

    WriteWholeFile(Path("product/notes.txt"), "not an icon");
    const std::pair<std::map<std::string, std::string>, std::string> mistakes[] = {
        {{{"VERSION", "1.4 beta"}},
         "product.ini:3: VERSION: warning: '1.4 beta' is not one to four numbers"},
        {{{"VERSION", "1.2.3.4.5"}}, "VERSION: warning: '1.2.3.4.5' is not"},
        {{{"ICON", "notes.txt"}}, "ICON: 'notes.txt': is not an icon file (.ico)"},
        {{{"ICON", "payload/Grid.hlp"}}, "keep it outside payload/"},
        {{{"ICON", "none.ico"}}, "there is no such file in the product folder"},
    };
    for (const auto& [changes, message] : mistakes) {
        WriteWholeFile(Path("product/product.ini"), Ini(changes));
        RunTool(Check());
        EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find(message), std::string::npos)
            << ReadWholeFile(Path("stderr.txt"));
    }
}

// Input that fails part way, or an output that fills up: a message, a
// non-zero exit, and neither the output nor a scratch file left behind. A
// full disk is played by a file size limit, whose failed write takes the
// same path (EFBIG rather than ENOSPC). Files that cannot be read or change
// while read are links into /proc, whose sizes lie; the product check
// refuses links out of the payload, so those go through --rar, which packs
// the same way. A sparse file plays the one of 4 GiB.
TEST_F(ProductChecks, FailuresPartWayLeaveNeitherOutputNorScratchFile) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::string shell;
        bool product; // else --rar of the payload folder
        int exitCode;
        const char* message;
    };
    const std::string library = ReadWholeFile(Path("unrar.dll"));
    const std::vector<Case> cases = {
        // Refused before anything is read: the unreadable file comes first.
        {"a file of 4 GiB",
         [&] {
             fs::create_symlink("/proc/self/mem", Path("product/payload/a.bin"));
             Payload("huge.bin", "");
             fs::resize_file(Path("product/payload/huge.bin"), std::uint64_t{1} << 32);
         },
         "", false, 1, "huge.bin' is too large for the archive (4 GiB or more)"},
        {"disk full while packing",
         [&] {
             std::string noise(64 * 1024, '\0');
             std::generate(noise.begin(), noise.end(), std::mt19937(1));
             Payload("big.bin", noise);
         },
         "trap '' XFSZ; ulimit -f 8; ", true, 3, "cannot write"},
        {"disk full while the setup is written",
         [&] { WriteWholeFile(Path("unrar.dll"), library + std::string(256 * 1024, '\0')); },
         "trap '' XFSZ; ulimit -f 400; ", true, 3, "cannot write"},
        {"a file that grows while read",
         [&] { fs::create_symlink("/proc/self/status", Path("product/payload/status.txt")); }, "",
         false, 3, "status.txt' changed while it was read: it is larger"},
        {"a file that cannot be read",
         [&] { fs::create_symlink("/proc/self/mem", Path("product/payload/mem.bin")); }, "", false,
         3, "mem.bin': Input/output error"},
    };
    WriteWholeFile(Path("product/product.ini"), Ini({}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeGoodPayload();
        WriteWholeFile(Path("product/product.ini"), Ini({}));
        WriteWholeFile(Path("unrar.dll"), library);
        fs::remove(Path("setup.exe"));
        c.prepare();
        WriteWholeFile(Path("stderr.txt"), "");
        const auto before = Listing();
        const std::string arguments =
            c.product ? Build()
                      : "--rar '" + Path("product/payload") + "' -o '" + Path("setup.exe") + "'";
        EXPECT_EQ(WEXITSTATUS(RunTool(arguments, c.shell)), c.exitCode);
        EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find(c.message), std::string::npos)
            << ReadWholeFile(Path("stderr.txt"));
        EXPECT_EQ(Listing(), before);
    }
}

// Ctrl+C or a kill part way through: the build stops as the signal asks and
// leaves neither the output nor its scratch files. The signal is sent once a
// scratch file is there.
TEST_F(ProductChecks, InterruptedBuildLeavesNoScratchFile) {
    std::string noise(8 << 20, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(2));
    WriteWholeFile(Path("product/product.ini"), Ini({}));
    Payload("big.bin", noise);
    WriteWholeFile(Path("stderr.txt"), "");
    for (const auto& [signal, name] : {std::pair{SIGINT, "INT"}, {SIGTERM, "TERM"}}) {
        SCOPED_TRACE(name);
        const auto before = Listing();
        const std::string killOnceScratchIsThere =
            "(for i in $(seq 500); do ls " + Quoted(dir_.string()) +
            "/*.partial >/dev/null 2>&1 && break; sleep 0.02; done; kill -" + name + " $$) & exec ";
        const int status = RunTool(Build() + " --best", killOnceScratchIsThere);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Listing(), before);
    }
}

TEST_F(ProductChecks, ListShowsTheResourcesAndWhereEachEntryGoes) {
    WriteWholeFile(Path("product/product.ini"),
                   Ini({{"APPNAME", "Gr\xC3\xAF"
                                    "d"},
                        {"CHECKDELPHI", "No"}},
                       "[SYSFILES]\ngrid.pas\n[HELPFILES]\nGrid.hlp=Grid Help\n"));
    ASSERT_EQ(RunTool(Build()), 0) << ReadWholeFile(Path("stderr.txt"));
    ASSERT_EQ(RunTool("list " + Quoted(Path("setup.exe"))), 0) << ReadWholeFile(Path("stderr.txt"));
    const std::string listing = ReadWholeFile(Path("stderr.txt"));
    const auto entry = [&](const std::string& payloadName, const std::string& goesTo) {
        std::ostringstream line;
        line << std::setw(12) << fs::file_size(Path("product/payload/" + payloadName))
             << "  normal   " << goesTo << "\n";
        return line.str();
    };
    for (const std::string& expected :
         {std::string("  APPNAME=\"Gr\xEF"
                      "d\"\n"),
          std::string("  CHECKDELPHI=\"No\"\n"),
          std::string("  [HELPFILES]\n    Grid.hlp=Grid Help\n"),
          "  UNRARDLL: " + std::to_string(fs::file_size(Path("unrar.dll"))) + " bytes\n",
          entry("units/grid.dpk", "INSTALLDIR\\units\\grid.dpk"),
          entry("units/grid.pas", "system folder\\grid.pas"),
          entry("Grid.hlp",
                "IDE help folder\\Grid.hlp (INSTALLDIR\\Grid.hlp when the IDE has none)")})
        EXPECT_NE(listing.find(expected), std::string::npos) << expected << "\n" << listing;

    EXPECT_EQ(WEXITSTATUS(RunTool("list " + Quoted(Path("stub.exe")))), 1);
    EXPECT_NE(ReadWholeFile(Path("stderr.txt")).find("carries no configuration resources"),
              std::string::npos);
}

} // namespace
} // namespace setupkit::builder
