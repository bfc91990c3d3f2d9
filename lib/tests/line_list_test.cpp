#include "lib/line_list.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

std::vector<std::string> Lines(const LineList& list) {
    return {list.begin(), list.end()};
}

TEST(LineListSplit, BreaksAtEveryKindOfLineEnd) {
    LineList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(LineListSplit, FinalLineEndAddsNoEmptyLineButInnerEmptyLinesCount) {
    LineList list;
    list.SetText("a\r\n\r\nb\r\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "", "b"}));
}

TEST(LineListSplit, EmptyTextGivesNoLinesAndZeroByteEndsText) {
    LineList list;
    list.SetText("");
    EXPECT_TRUE(list.Empty());
    list.SetText(std::string("x\r\ny\0z\r\n", 9));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"x", "y"}));
    list.SetWholeText(std::string("x\r\ny\0z\rw", 8));
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"x", std::string("y\0z", 3), "w"}));
}

TEST(LineListText, EveryLineEndsWithCrLfAndEmptyListIsEmpty) {
    LineList list;
    EXPECT_EQ(list.Text(), "");
    list.Add("C:\\a");
    list.Add("C:\\b");
    EXPECT_EQ(list.Text(), "C:\\a\r\nC:\\b\r\n");
}

TEST(LineListLookup, NamesAndLinesMatchIgnoringCase) {
    LineList list;
    list.SetText("plain\r\nKey=first\r\nkey=second\r\n=nameless");
    EXPECT_EQ(list.IndexOf("PLAIN"), 0);
    EXPECT_EQ(list.IndexOfName("KEY"), 1);
    EXPECT_EQ(list.Value("kEy"), "first");
    EXPECT_EQ(list.Value("plain"), "");
    EXPECT_EQ(list.IndexOfName("plain"), -1);
    EXPECT_EQ(list.IndexOf("missing"), -1);
}

TEST(LineListLookup, ValueKeepsEverythingAfterTheFirstEquals) {
    EXPECT_EQ(LineList::ValueOf("a=b=c"), "b=c");
    EXPECT_EQ(LineList::NameOf("a=b=c"), "a");
    EXPECT_EQ(LineList::NameOf("noequals"), "");
}

} // namespace
} // namespace setupkit

namespace setupkit {
namespace {
TEST(LineListEdit, InsertGoesBeforeTheIndexAndPastTheEndAppends) {
    LineList list;
    list.SetText("a\r\nc");
    list.Insert(1, "b");
    list.Insert(99, "d");
    list.Delete(0);
    EXPECT_EQ(list.Text(), "b\r\nc\r\nd\r\n");
}
} // namespace
} // namespace setupkit
