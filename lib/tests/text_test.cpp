#include "lib/text.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

TEST(TextCompare, SameTextFoldsOnlyAsciiLetters) {
    EXPECT_TRUE(SameText("1.0B", "1.0b"));
    EXPECT_FALSE(SameText("2.1", "2.10"));
    EXPECT_FALSE(SameText("\xC4", "\xE4")); // Latin-1 letters are not folded
}

TEST(TextTrim, DropsBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(Trim(" \t demo.exe \r\n"), "demo.exe");
    EXPECT_EQ(Trim("   "), "");
}

TEST(TextPaths, FileNameAndFolderSplitAtLastBackslashOrColon) {
    EXPECT_EQ(ExtractFileName("demo\\bin\\demo.exe"), "demo.exe");
    EXPECT_EQ(ExtractFileName("C:demo.exe"), "demo.exe");
    EXPECT_EQ(ExtractFilePath("C:\\Ide\\HELP\\delphi5.cnt"), "C:\\Ide\\HELP\\");
    EXPECT_EQ(ExtractFilePath("name"), "");
}

TEST(TextPaths, BelowAFolderMeansInsideItIgnoringCase) {
    EXPECT_TRUE(IsBelowFolder("C:\\Corvel\\UnInstall.exe", "c:\\corvel"));
    EXPECT_TRUE(IsBelowFolder("C:\\Corvel\\units\\prod.inc", "C:\\Corvel"));
    EXPECT_FALSE(IsBelowFolder("C:\\Corvel", "C:\\Corvel"));
    EXPECT_FALSE(IsBelowFolder("C:\\Corvel\\", "C:\\Corvel"));
    EXPECT_FALSE(IsBelowFolder("C:\\Corvel Grid\\a.pas", "C:\\Corvel"));
}

} // namespace
} // namespace setupkit

namespace setupkit {
namespace {
TEST(TextFormat, EveryPlaceholderTakesTheValueAndValuesAreNotRescanned) {
    EXPECT_EQ(FormatWith("install %s over %s", "A%sB"), "install A%sB over A%sB");
    EXPECT_EQ(FormatWith("100%", "x"), "100%");
}
} // namespace
} // namespace setupkit
