#include "lib/path.h"

#include <gtest/gtest.h>

namespace setupkit::path {
namespace {

using TextFunction = std::string (*)(const std::string&);

struct Case {
    TextFunction function;
    const char* name;
    const char* path;
    const char* expected;
};

TEST(PathText, EachHelperOnItsCases) {
    const Case cases[] = {
        {AddBackslash, "AddBackslash", "C:\\Lib", "C:\\Lib\\"},
        {AddBackslash, "AddBackslash", "C:\\Lib\\", "C:\\Lib\\"},
        {AddBackslash, "AddBackslash", "", ""},
        {RemoveBackslash, "RemoveBackslash", "C:\\Lib\\\\", "C:\\Lib\\"},
        {RemoveBackslash, "RemoveBackslash", "C:\\Lib", "C:\\Lib"},
        {RemoveBackslash, "RemoveBackslash", "", ""},
        {ExtractFileName, "ExtractFileName", "demo\\bin\\demo.exe", "demo.exe"},
        {ExtractFileName, "ExtractFileName", "C:demo.exe", "demo.exe"},
        {ExtractFilePath, "ExtractFilePath", "C:\\Ide\\HELP\\delphi5.cnt", "C:\\Ide\\HELP\\"},
        {ExtractFilePath, "ExtractFilePath", "name", ""},
        {ExtractFileDrive, "ExtractFileDrive", "D:\\WINNT\\", "D:"},
        {ExtractFileDrive, "ExtractFileDrive", "\\\\server\\share\\WINNT\\", "\\\\server\\share"},
        {ExtractFileDrive, "ExtractFileDrive", "\\\\server\\share", "\\\\server\\share"},
        {ExtractFileDrive, "ExtractFileDrive", "\\\\server", "\\\\server"},
        {ExtractFileDrive, "ExtractFileDrive", "WINNT\\", ""},
        {ExtractFileDrive, "ExtractFileDrive", "", ""},
        {ExtractFileExt, "ExtractFileExt", "src\\Lib.v2.pas", ".pas"},
        {ExtractFileExt, "ExtractFileExt", "src.d\\Lib", ""},
        {ExtractFileExt, "ExtractFileExt", "C:.bpk", ".bpk"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.function(c.path), c.expected) << c.name << "(" << c.path << ")";
}

TEST(PathText, ExtensionsAreChangedAndComparedIgnoringCase) {
    EXPECT_EQ(ChangeFileExt("src\\Lib.v2.pas", ".dcu"), "src\\Lib.v2.dcu");
    EXPECT_EQ(ChangeFileExt("src.d\\Lib", ".dcu"), "src.d\\Lib.dcu");
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
