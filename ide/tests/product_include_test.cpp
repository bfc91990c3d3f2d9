#include "ide/product_include.h"

#include "lib/setup_error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace setupkit {
namespace {

TEST(ParseDefineLine, RecognisesBlanksCommentMarkerAndAnyCase) {
    const DefineLine plain = ParseDefineLine("{$DEFINE CorvelNodemark}");
    EXPECT_TRUE(plain.isDefine);
    EXPECT_FALSE(plain.commented);
    EXPECT_EQ(plain.symbol, "CorvelNodemark");

    const DefineLine commented = ParseDefineLine(" \t// \t{$define\tCorvel_Grid2$} // comment");
    EXPECT_TRUE(commented.isDefine);
    EXPECT_TRUE(commented.commented);
    EXPECT_EQ(commented.symbol, "Corvel_Grid2$");
}

TEST(ParseDefineLine, RejectsOtherLines) {
    for (const char* line :
         {"", "   ", "{$IFDEF CorvelNodemark}", "{$UNDEF CorvelNodemark}", "// plain comment",
          "/ {$DEFINE X}", "x{$DEFINE X}", "{$DEFIN X}", "////{$DEFINE X}"})
        EXPECT_FALSE(ParseDefineLine(line).isDefine) << line;
}

TEST(ParseDefineLine, SymbolStopsAtTheFirstOtherCharacterAndMayBeEmpty) {
    EXPECT_EQ(ParseDefineLine("{$DEFINE Corvel-Grid}").symbol, "Corvel");
    const DefineLine empty = ParseDefineLine("{$DEFINE}");
    EXPECT_TRUE(empty.isDefine);
    EXPECT_EQ(empty.symbol, "");
    EXPECT_EQ(ParseDefineLine("{$DEFINE").symbol, "");
}

TEST(RemoveSpaces, RemovesOnlySpaces) {
    EXPECT_EQ(RemoveSpaces(" Corvel  Node\tmark. "), "CorvelNode\tmark.");
}

class MergeProductIncludeFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string("prod_inc_") + info->name() + ".inc";
    }
    void TearDown() override { std::remove(path_.c_str()); }

    std::string Merge(const std::string& content, const std::vector<std::string>& products) {
        {
            std::ofstream out(path_, std::ios::binary);
            out << content;
        }
        LineList list;
        for (const std::string& product : products)
            list.Add(product);
        MergeProductInclude(path_, list);
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string path_;
};

TEST_F(MergeProductIncludeFile, SwitchesRecordedProductsOnAndOthersOff) {
    EXPECT_EQ(
        Merge("//{$DEFINE CorvelNodemark}\n{$DEFINE CorvelNodemark}\n{$DEFINE Other}\n",
              {"Corvel Nodemark"}),
        "  {$DEFINE CorvelNodemark}\r\n  {$DEFINE CorvelNodemark}\r\n//  {$DEFINE Other}\r\n");
}

TEST_F(MergeProductIncludeFile, MatchesIgnoringCaseAndKeepsTheFilesSpelling) {
    EXPECT_EQ(Merge("{$DEFINE COrVeLnOdEmArK}", {"Corvel Nodemark"}),
              "  {$DEFINE COrVeLnOdEmArK}\r\n");
}

TEST_F(MergeProductIncludeFile, DropsIndentationAndTrailingComment) {
    EXPECT_EQ(Merge("  // {$define CorvelNodemark} // comment\r\n", {"Corvel Nodemark"}),
              "  {$DEFINE CorvelNodemark}\r\n");
}

TEST_F(MergeProductIncludeFile, StopsAtTheTerminatorLine) {
    EXPECT_EQ(Merge("{$DEFINE A}\r{$i KV.INC}\r{$DEFINE A}\n{$DEFINE B}", {"B"}),
              "//  {$DEFINE A}\r\n{$i KV.INC}\r\n{$DEFINE A}\r\n{$DEFINE B}\r\n");
}

TEST_F(MergeProductIncludeFile, IndentedTerminatorDoesNotStopTheScan) {
    EXPECT_EQ(Merge(" {$I kv.inc}\n{$I kv.inc} \n//{$DEFINE A}\n", {"A"}),
              " {$I kv.inc}\r\n{$I kv.inc} \r\n  {$DEFINE A}\r\n");
}

TEST_F(MergeProductIncludeFile, KeepsOtherLinesAndUnifiesLineBreaks) {
    const std::string others = "{$IFDEF A}\r\n{$UNDEF A}\n// note\r\r\n\t{$ENDIF}";
    EXPECT_EQ(Merge(others, {"A"}), "{$IFDEF A}\r\n{$UNDEF A}\r\n// note\r\n\r\n\t{$ENDIF}\r\n");
}

TEST_F(MergeProductIncludeFile, PunctuationInAProductNameNeverMatches) {
    EXPECT_EQ(Merge("{$DEFINE CorvelGrid2}\n{$DEFINE CorvelGrid}\n", {"Corvel Grid.2"}),
              "//  {$DEFINE CorvelGrid2}\r\n//  {$DEFINE CorvelGrid}\r\n");
}

TEST_F(MergeProductIncludeFile, TwoRecordedProductsBothStayOn) {
    EXPECT_EQ(Merge("//{$DEFINE CorvelNodemark}\n//{$DEFINE CorvelGrid}\n//{$DEFINE Other}\n",
                    {"Corvel Nodemark", "Corvel Grid"}),
              "  {$DEFINE CorvelNodemark}\r\n  {$DEFINE CorvelGrid}\r\n//  {$DEFINE Other}\r\n");
}

TEST_F(MergeProductIncludeFile, AnEmptyFileStaysEmpty) {
    EXPECT_EQ(Merge("", {"A"}), "");
}

TEST(MergeProductInclude, MissingFileRaises) {
    EXPECT_THROW(MergeProductInclude("no_such_dir_for_merge/prod.inc", LineList()), SetupError);
}

} // namespace
} // namespace setupkit
