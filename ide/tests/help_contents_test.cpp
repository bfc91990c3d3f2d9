#include "ide/help_contents.h"

#include "lib/setup_error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace setupkit {
namespace {

LineList Lines(const std::string& text) {
    LineList lines;
    lines.SetText(text);
    return lines;
}

TEST(HelpContentsInsertion, GoesAfterTheFirstRunOfIndexLines) {
    EXPECT_EQ(
        HelpIndexInsertionPoint(Lines(":Base x.hlp\r\n:Title T\r\n:Index A =a.hlp\r\n"
                                      ":Index B =b.hlp\r\n:Include x.cnt\r\n:Index C =c.hlp")),
        4u);
}

TEST(HelpContentsInsertion, WithoutIndexLinesGoesAtTheEnd) {
    EXPECT_EQ(HelpIndexInsertionPoint(Lines(":Base x.hlp\r\n:Title T\r\n")), 2u);
    EXPECT_EQ(HelpIndexInsertionPoint(Lines("")), 0u);
}

TEST(HelpContentsInsertion, ALineMerelyContainingIndexComesAfterTheNewLine) {
    EXPECT_EQ(HelpIndexInsertionPoint(Lines(":Base x.hlp\r\n; see :Index A =a.hlp\r\n")), 1u);
    // The search is case-sensitive.
    EXPECT_EQ(HelpIndexInsertionPoint(Lines(":index a =a.hlp\r\n")), 1u);
}

TEST(HelpContentsLookup, MatchesTheWholeTextAfterTheFirstEqualsExactly) {
    const LineList lines = Lines(":Index Old =nodemark.hlp\r\n:Index Other =Nodemark.hlp\r\n"
                                 "Nodemark.hlp\r\n:Index X =Nodemark.hlp.bak");
    EXPECT_EQ(FindHelpIndex(lines, "Nodemark.hlp"), 1);
    EXPECT_EQ(FindHelpIndex(lines, "missing.hlp"), -1);
}

TEST(HelpContentsLookup, RemoveDeletesOnlyTheFirstMatchingLine) {
    LineList lines = Lines(":Index A =a.hlp\r\n:Index A2 =a.hlp\r\n");
    EXPECT_TRUE(RemoveHelpIndexLine(lines, "a.hlp"));
    EXPECT_EQ(lines.Text(), ":Index A2 =a.hlp\r\n");
    EXPECT_FALSE(RemoveHelpIndexLine(lines, "b.hlp"));
}

// The file itself is rewritten whole: a zero byte in it is one more character.
TEST(HelpContentsFile, AnIndexLineIsAddedWithEveryOtherByteKept) {
    using namespace std::string_literals;
    const std::string path = "help_contents_test.cnt";
    std::ofstream(path, std::ios::binary)
        << ":Base x.hlp\n:Title T\0x\r:Index Old =Lib.hlp\r\n:Index B =b.hlp\r\n:Include y.cnt"s;
    AddHelpIndex("Lib.hlp", "New", path);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              ":Base x.hlp\r\n:Title T\0x\r\n:Index B =b.hlp\r\n:Index New =Lib.hlp\r\n"
              ":Include y.cnt\r\n"s);
    in.close();
    std::remove(path.c_str());
    EXPECT_THROW(AddHelpIndex("Lib.hlp", "New", "no_such_dir/x.cnt"), SetupError);
}

} // namespace
} // namespace setupkit
