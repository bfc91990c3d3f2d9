#include "ide/catalogue.h"

#include "lib/setup_error.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

using test::DeleteKeyTree;
using test::SetRawValue;

const std::string kStandinsDir = test::WinePath(SETUPKIT_STANDINS_DIR);

// The IDE settings keys are the machine's own; every test starts and ends
// with none of them.
class IdeCatalogue : public ::testing::Test {
  protected:
    void SetUp() override { RemoveIdes(); }
    void TearDown() override { RemoveIdes(); }

    static void RemoveIdes() {
        for (const char* key : {"Delphi\\2.0", "C++Builder\\1.0", "Delphi\\3.0", "C++Builder\\3.0",
                                "Delphi\\4.0", "C++Builder\\4.0", "Delphi\\5.0"})
            DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string("Software\\Borland\\") + key);
    }
    static void SetRoot(const std::string& subkey, const std::string& root, DWORD type = REG_SZ) {
        SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\" + subkey, "RootDir", type,
                    root + '\0');
    }
    static std::string Standin(const std::string& name) { return kStandinsDir + "\\" + name; }
};

TEST(IdeKindFromCode, MatchesTheSevenCodesIgnoringCase) {
    const char* codes[] = {"D2", "c1", "d3", "C3", "D4", "c4", "d5"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(IdeKindFromCode(codes[i]), static_cast<IdeKind>(i)) << codes[i];
}

TEST(IdeKindFromCode, AnyOtherTextSelectsDelphi4) {
    for (const char* code : {"", "D5 ", " D5", "D5\r\n", "D6", "D", "Delphi 5"})
        EXPECT_EQ(IdeKindFromCode(code), IdeKind::D4) << '"' << code << '"';
}

TEST(IdeCatalogueCells, IdesWithoutPackagesHaveNoExtensionOrKey) {
    for (IdeKind kind : {IdeKind::D2, IdeKind::C1}) {
        EXPECT_EQ(PackageExtension(kind), "");
        EXPECT_EQ(KnownPackagesKey(kind), "");
    }
}

TEST_F(IdeCatalogue, ReadsStringSettingsAndMissingOnesAsEmpty) {
    EXPECT_EQ(ReadIdeSetting(IdeKind::D4, "RootDir"), "");
    SetRoot("Delphi\\4.0", "%ProgramFiles%\\Ide", REG_EXPAND_SZ);
    EXPECT_EQ(ReadIdeSetting(IdeKind::D4, "RootDir"), "%ProgramFiles%\\Ide");
    EXPECT_EQ(ReadIdeSetting(IdeKind::D4, "Other"), "");
    SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\Delphi\\4.0", "Cut", REG_SZ,
                std::string("C:\\A\0C:\\B\0", 10));
    EXPECT_EQ(ReadIdeSetting(IdeKind::D4, "Cut"), "C:\\A");
    // A value without data is empty before its type counts.
    for (const DWORD type : {REG_SZ, REG_DWORD, REG_BINARY}) {
        SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\Delphi\\4.0", "NoData", type, "");
        EXPECT_EQ(ReadIdeSetting(IdeKind::D4, "NoData"), "") << type;
    }
}

TEST_F(IdeCatalogue, RootDirOfAnotherTypeRaisesNamingTheValue) {
    SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\C++Builder\\3.0", "RootDir", REG_DWORD,
                test::DwordBytes(7));
    try {
        ReadIdeSetting(IdeKind::C3, "RootDir");
        ADD_FAILURE() << "no error raised";
    } catch (const SetupError& error) {
        EXPECT_STREQ(error.what(), "Invalid data type for 'RootDir'");
    }
    EXPECT_THROW(IdeHelpFolder(IdeKind::C3), SetupError);
}

TEST_F(IdeCatalogue, RootAndHelpPathsGainTheirBackslashes) {
    SetRoot("Delphi\\4.0", "C:\\Ide\\");
    EXPECT_EQ(IdeRootDir(IdeKind::D4), "C:\\Ide\\");
    SetRoot("Delphi\\4.0", "C:\\Ide");
    EXPECT_EQ(IdeRootDir(IdeKind::D4), "C:\\Ide\\");
    EXPECT_EQ(IdeHelpFolder(IdeKind::D4), "C:\\Ide\\HELP\\");
    EXPECT_EQ(IdeHelpContentsPath(IdeKind::D4), "C:\\Ide\\HELP\\delphi4.cnt");
    EXPECT_EQ(IdeHelpFolderD4(), "C:\\Ide\\HELP\\");
}

TEST_F(IdeCatalogue, MissingIdeGivesRelativePaths) {
    EXPECT_EQ(IdeRootDir(IdeKind::D5), "");
    EXPECT_EQ(IdeHelpContentsPath(IdeKind::D5), "HELP\\delphi5.cnt");
    EXPECT_EQ(IdeHelpContentsPath(IdeKind::C1), "HELP\\bcb.cnt");
    EXPECT_EQ(IdeHelpFolderD2(), "HELP\\");
}

TEST(ReadFileVersion, ReadsTheFixedFileVersion) {
    const FileVersion version =
        ReadFileVersion(test::WinePath(SETUPKIT_STANDINS_DIR) + "\\c4_14_11\\Bin\\bcb.exe");
    EXPECT_EQ(version.high, 0x00040000u);
    EXPECT_EQ(version.low, 0x000E000Bu);
}

TEST(ReadFileVersion, FilesWithoutVersionGiveZero) {
    for (const std::string& path :
         {test::WinePath(SETUPKIT_STANDINS_DIR) + "\\d5\\HELP\\delphi5.cnt",
          std::string("C:\\no\\such\\file.exe")}) {
        const FileVersion version = ReadFileVersion(path);
        EXPECT_EQ(version.high, 0u) << path;
        EXPECT_EQ(version.low, 0u) << path;
    }
}

TEST_F(IdeCatalogue, Delphi3NeedsExactlyBuild583) {
    SetRoot("Delphi\\3.0", Standin("d3_5_83"));
    EXPECT_TRUE(IsIdeCompatible(IdeKind::D3));
    SetRoot("Delphi\\3.0", Standin("d3_5_84"));
    EXPECT_FALSE(IsIdeCompatible(IdeKind::D3));
    SetRoot("Delphi\\3.0", Standin("d3_5_53"));
    EXPECT_FALSE(IsIdeCompatible(IdeKind::D3));
}

TEST_F(IdeCatalogue, ComparesTheLowHalfOnlyAndFindsTheKindsExecutable) {
    // bcb.exe 4.0.14.11 satisfies C++Builder 4 whatever its major version.
    SetRoot("C++Builder\\4.0", Standin("c4_14_11"));
    EXPECT_TRUE(IsIdeCompatible(IdeKind::C4));
    // The Delphi 4 entry looks for delphi32.exe, which that folder lacks.
    SetRoot("Delphi\\4.0", Standin("c4_14_11"));
    EXPECT_FALSE(IsIdeCompatible(IdeKind::D4));
}

TEST_F(IdeCatalogue, MissingIdeIsCompatibleOnlyWithoutARequiredVersion) {
    for (IdeKind kind : {IdeKind::D2, IdeKind::C1, IdeKind::D5})
        EXPECT_TRUE(IsIdeCompatible(kind)) << static_cast<int>(kind);
    for (IdeKind kind : {IdeKind::D3, IdeKind::C3, IdeKind::D4, IdeKind::C4})
        EXPECT_FALSE(IsIdeCompatible(kind)) << static_cast<int>(kind);
}

TEST_F(IdeCatalogue, UnreadableRootDirMeansIncompatibleEvenWithoutARequiredVersion) {
    SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\Delphi\\5.0", "RootDir", REG_BINARY,
                "C:\\Ide");
    EXPECT_FALSE(IsIdeCompatible(IdeKind::D5));
}

} // namespace
} // namespace setupkit
