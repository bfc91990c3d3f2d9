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

TEST(TextSplit, BeforeAndAfterSplitAtTheFirstSeparatorOnly) {
    EXPECT_EQ(TextBefore("Lib.hlp=Title=with equals", "="), "Lib.hlp");
    EXPECT_EQ(TextAfter("Lib.hlp=Title=with equals", "="), "Title=with equals");
    EXPECT_EQ(TextBefore("Lib.hlp", "="), "");
    EXPECT_EQ(TextAfter("Lib.hlp", "="), "");
}

} // namespace
} // namespace setupkit

namespace setupkit {
namespace {
TEST(TextSplit, LinesEndAtLineFeedsAndLoseTheCarriageReturnBeforeThem) {
    EXPECT_EQ(SplitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitLines("a\rb\r\n"), std::vector<std::string>{"a\rb"});
    EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
}

TEST(TextFormat, EveryPlaceholderTakesTheValueAndValuesAreNotRescanned) {
    EXPECT_EQ(FormatWith("install %s over %s", "A%sB"), "install A%sB over A%sB");
    EXPECT_EQ(FormatWith("100%", "x"), "100%");
}
} // namespace
} // namespace setupkit
