#include "lib/path.h"

#include <gtest/gtest.h>

namespace setupkit::path {
namespace {

TEST(PathText, TrailingBackslashIsAddedOrRemovedOnce) {
    EXPECT_EQ(AddBackslash("C:\\Lib"), "C:\\Lib\\");
    EXPECT_EQ(AddBackslash("C:\\Lib\\"), "C:\\Lib\\");
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(RemoveBackslash("C:\\Lib\\\\"), "C:\\Lib\\");
    EXPECT_EQ(RemoveBackslash("C:\\Lib"), "C:\\Lib");
    EXPECT_EQ(RemoveBackslash(""), "");
}

TEST(PathText, FileNameAndFolderSplitAtLastBackslashOrColon) {
    EXPECT_EQ(ExtractFileName("demo\\bin\\demo.exe"), "demo.exe");
    EXPECT_EQ(ExtractFileName("C:demo.exe"), "demo.exe");
    EXPECT_EQ(ExtractFilePath("C:\\Ide\\HELP\\delphi5.cnt"), "C:\\Ide\\HELP\\");
    EXPECT_EQ(ExtractFilePath("name"), "");
}

TEST(PathText, DriveOfLocalAndNetworkPaths) {
    EXPECT_EQ(ExtractFileDrive("D:\\WINNT\\"), "D:");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\WINNT\\"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(ExtractFileDrive("\\\\server"), "\\\\server");
    EXPECT_EQ(ExtractFileDrive("WINNT\\"), "");
    EXPECT_EQ(ExtractFileDrive(""), "");
}

TEST(PathText, ExtensionIsTheFileNamesLastDotOn) {
    struct Case {
        const char* path;
        const char* extension;
        const char* changed; // to ".dcu"
    };
    for (const Case& c :
         {Case{"src\\Lib.dpk", ".dpk", "src\\Lib.dcu"},
          Case{"src\\Lib.v2.pas", ".pas", "src\\Lib.v2.dcu"},
          Case{"src.d\\Lib", "", "src.d\\Lib.dcu"}, Case{"C:.bpk", ".bpk", "C:.dcu"}}) {
        EXPECT_EQ(ExtractFileExt(c.path), c.extension) << c.path;
        EXPECT_EQ(ChangeFileExt(c.path, ".dcu"), c.changed) << c.path;
        EXPECT_TRUE(HasExtension(c.path, c.extension)) << c.path;
    }
    EXPECT_TRUE(HasExtension("HELP\\Lib.hlp", ".HLP"));
    EXPECT_FALSE(HasExtension("HELP\\Lib.hlp.bak", ".HLP"));
    EXPECT_FALSE(HasExtension("HELP\\LibHLP", ".HLP"));
}

TEST(PathText, BelowAFolderMeansInsideItIgnoringCase) {
    EXPECT_TRUE(IsBelowFolder("C:\\Corvel\\UnInstall.exe", "c:\\corvel"));
    EXPECT_TRUE(IsBelowFolder("C:\\Corvel\\units\\prod.inc", "C:\\Corvel"));
    EXPECT_FALSE(IsBelowFolder("C:\\Corvel", "C:\\Corvel"));
    EXPECT_FALSE(IsBelowFolder("C:\\Corvel\\", "C:\\Corvel"));
    EXPECT_FALSE(IsBelowFolder("C:\\Corvel Grid\\a.pas", "C:\\Corvel"));
}

TEST(PathText, OnlyADriveWithBackslashOrAShareIsRooted) {
    for (const char* path : {"C:\\", "d:\\Lib", "C:\\Lib\\", "\\\\server\\share", "\\\\s\\x\\"})
        EXPECT_TRUE(IsRootedPath(path)) << path;
    for (const char* path : {"", "Lib", "Lib\\", ".\\Lib", "..\\Lib", "C:", "C:Lib", "\\Lib",
                             "1:\\Lib", "\\\\", "\\\\server", "\\\\server\\", "\\\\\\share"})
        EXPECT_FALSE(IsRootedPath(path)) << path;
}

} // namespace
} // namespace setupkit::path
