#include "ide/compiler.h"

#include "lib/win32.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

using e2e::FileExists;
using e2e::ReadFile;
using e2e::WriteFile;

// An IDE installation of the test's own: the stand-in compiler as dcc32.exe
// and make.exe in Bin, "RootDir" pointing at it. Sources go in "src\", with a
// blank in the folder name, and results in "out\".
class CompilerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = scratch_.Path() + "\\";
        for (const char* folder : {"Bin", "Lib", "src dir", "out"})
            scratch_.MakeFolder(folder);
        for (const char* tool : {"dcc32", "make"})
            ::CopyFileA(e2e::WindowsPath(SETUPKIT_STANDIN_COMPILER).c_str(),
                        (root_ + "Bin\\" + tool + ".exe").c_str(), FALSE);
    }
    void TearDown() override {
        for (const char* key :
             {"Software\\Borland\\Delphi\\5.0", "Software\\Borland\\C++Builder\\4.0"})
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    }
    void Install(const char* settingsKey) {
        RegKey key;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, settingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key.Put(), nullptr);
        ::RegSetValueExA(key.Get(), "RootDir", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(root_.c_str()),
                         static_cast<DWORD>(root_.size() + 1));
    }
    std::string Source(const std::string& name, const std::string& text = "source") {
        WriteFile(Src() + name, text);
        return Src() + name;
    }
    std::string Src() const { return root_ + "src dir\\"; }
    std::string Out() const { return root_ + "out\\"; }
    std::string Log() const { return ReadFile(Src() + "standin.log"); }

    e2e::ScratchFolder scratch_;
    std::string root_;
};

TEST_F(CompilerTest, DelphiPackagesAreBuiltWithDcc32MovedAndTidiedUp) {
    Install("Software\\Borland\\Delphi\\5.0");
    const std::string source = Source("lib.dpk");
    WriteFile(Out() + "lib.BPL", "old build");
    std::string outputPath = "untouched";
    std::string log;
    ASSERT_TRUE(BuildPackage(IdeKind::D5, source, Out(), outputPath, log));
    EXPECT_EQ(Log(), "\"" + root_ + "Bin\\dcc32.exe\" -q -b \"" + source + "\"\n");
    EXPECT_EQ(outputPath, Out() + "lib.BPL");
    EXPECT_EQ(ReadFile(outputPath), "compiled from " + source);
    EXPECT_EQ(log, "\r\nProgram failed with code (0)");
    EXPECT_TRUE(FileExists(Src() + "lib.dcp"));
    DeleteByProducts(source);
    EXPECT_FALSE(FileExists(Src() + "lib.dcu"));
    EXPECT_FALSE(FileExists(Src() + "lib.dcp"));
}

// A design package is compiled against the .dcp of the runtime package it
// requires, which its build leaves beside its source until the by-products go.
TEST_F(CompilerTest, APackageThatRequiresAnotherBuildsOnlyWhileTheOthersDcpIsThere) {
    Install("Software\\Borland\\Delphi\\5.0");
    WriteFile(root_ + "Lib\\vcl50.dcp", "the IDE's own");
    const std::string runtime =
        Source("Grid_R.dpk", "package Grid_R;\r\nrequires vcl50;\r\nend.\r\n");
    const std::string design =
        Source("Grid_D.dpk",
               "package Grid_D;\r\n{$R *.RES} // requires nothing here\r\n"
               "requires\r\n  vcl50, { the runtime package } Grid_R;\r\ncontains Reg;\r\nend.\r\n");
    std::string outputPath;
    std::string log;
    EXPECT_FALSE(BuildPackage(IdeKind::D5, design, Out(), outputPath, log));
    EXPECT_EQ(log, "Fatal: Required package 'Grid_R' not found\r");
    ASSERT_TRUE(BuildPackage(IdeKind::D5, runtime, Out(), outputPath, log));
    EXPECT_TRUE(BuildPackage(IdeKind::D5, design, Out(), outputPath, log)) << log;
    DeleteByProducts(runtime);
    EXPECT_FALSE(BuildPackage(IdeKind::D5, design, Out(), outputPath, log));
}

TEST_F(CompilerTest, CppBuilderUsesDcc32ForUnitsAndMakeForEverythingElse) {
    Install("Software\\Borland\\C++Builder\\4.0");
    std::string outputPath;
    std::string log;
    const std::string unit = Source("unit1.pas");
    ASSERT_TRUE(BuildPackage(IdeKind::C4, unit, Out(), outputPath, log));
    EXPECT_EQ(outputPath, Out() + "unit1.dcu");
    const std::string package = Source("pkg.bpk");
    ASSERT_TRUE(BuildPackage(IdeKind::C4, package, Out(), outputPath, log));
    EXPECT_EQ(outputPath, Out() + "pkg.BPL");
    DeleteByProducts(package);
    EXPECT_FALSE(FileExists(Src() + "pkg.tds"));
    EXPECT_FALSE(FileExists(Src() + "pkg.obj"));
    EXPECT_EQ(Log(), "\"" + root_ + "Bin\\dcc32.exe\" -q -b -JPHN \"" + unit + "\"\n\"" + root_ +
                         "Bin\\make.exe\" -B -f \"" + package + "\"\n");

    // A source outside the table is built, but nothing is moved and the
    // output path keeps what it held.
    const std::string other = Source("main.cpp");
    ASSERT_TRUE(BuildPackage(IdeKind::C4, other, Out(), outputPath, log));
    EXPECT_EQ(outputPath, Out() + "pkg.BPL");
}

TEST_F(CompilerTest, AFailedBuildKeepsOnlyTheMarkerLinesAndMovesNothing) {
    Install("Software\\Borland\\Delphi\\5.0");
    const std::string source =
        Source("bad.dpk", "STANDIN-SAY Borland Delphi\r\nSTANDIN-SAY noise\r\n"
                          "STANDIN-SAY bad.dpk(1) Fatal: Boom\r\nSTANDIN-EXIT 2\r\n");
    std::string outputPath = "kept";
    std::string log = "earlier text";
    EXPECT_FALSE(BuildPackage(IdeKind::D5, source, Out(), outputPath, log));
    EXPECT_EQ(log, "Borland Delphi\rbad.dpk(1) Fatal: Boom\r");
    EXPECT_EQ(outputPath, "kept");
}

TEST_F(CompilerTest, ACompilerThatCannotStartExplainsWhy) {
    // No settings key: the tool path is relative and names nothing.
    const std::string source = Source("lib.dpk");
    std::string outputPath;
    std::string log;
    EXPECT_FALSE(BuildPackage(IdeKind::D5, source, Out(), outputPath, log));
    EXPECT_NE(log.find("ErrorCode=2"), std::string::npos) << log;
    EXPECT_TRUE(outputPath.empty());
}

TEST_F(CompilerTest, RunProgramCapturesEveryLineAndTheExitCode) {
    Install("Software\\Borland\\Delphi\\5.0");
    const std::string source =
        Source("say.pas", "STANDIN-SAY one\r\nSTANDIN-SAY two\r\nSTANDIN-EXIT -3\r\n");
    std::string log;
    EXPECT_FALSE(
        RunProgram("\"" + root_ + "Bin\\dcc32.exe\" \"" + source + "\"", Src(), true, log));
    EXPECT_EQ(log, "one\r\ntwo\r\n\r\nProgram failed with code (-3)");
}

// A zero byte is text like any other; a Ctrl+Z ends the text.
TEST_F(CompilerTest, RunProgramKeepsZeroBytesAndStopsAtCtrlZ) {
    Install("Software\\Borland\\Delphi\\5.0");
    using namespace std::string_literals;
    const std::string source = Source(
        "bytes.pas",
        "STANDIN-SAYBYTES a\0b\r\nSTANDIN-SAYBYTES c\x1A d\r\nSTANDIN-SAY e\r\nSTANDIN-EXIT -3\r\n"s);
    std::string log;
    EXPECT_FALSE(
        RunProgram("\"" + root_ + "Bin\\dcc32.exe\" \"" + source + "\"", Src(), true, log));
    EXPECT_EQ(log, "a\0b\r\nc\r\n\r\nProgram failed with code (-3)"s);
}

} // namespace
} // namespace setupkit
