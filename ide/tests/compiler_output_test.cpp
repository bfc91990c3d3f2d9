#include "ide/compiler_output.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

TEST(CompilerMarkers, FourWordsMatchIgnoringCaseAndNothingElse) {
    for (const char* word : {"Error:", "ERROR:", "warning:", "Borland", "BORLAND", "Fatal:"})
        EXPECT_TRUE(IsCompilerMarker(word)) << word;
    for (const char* word : {"Error", "Hint:", "Error:\r", "", "Borland,"})
        EXPECT_FALSE(IsCompilerMarker(word)) << word;
}

TEST(CompilerOutputFilter, KeepsMarkerLinesInOrderSeparatedByTheirCarriageReturns) {
    const std::string log = "Borland Delphi Version 13.0\r\n"
                            "Copyright text\r\n"
                            "a.pas(3) Error: Undeclared identifier\r\n"
                            "a.pas(4) Warning: Value never used\r\n"
                            "\r\n"
                            "a.pas(9) Error: Missing end\r\n"
                            "\r\n"
                            "Program failed with code (1)";
    EXPECT_EQ(FilterCompilerOutput(log), "Borland Delphi Version 13.0\r"
                                         "a.pas(3) Error: Undeclared identifier\r"
                                         "a.pas(4) Warning: Value never used\r"
                                         "a.pas(9) Error: Missing end\r");
}

TEST(CompilerOutputFilter, AMarkerEndingItsLineDoesNotCountButEachInnerMarkerDoes) {
    EXPECT_EQ(FilterCompilerOutput("unit ends with Error:\r\n"), "");
    EXPECT_EQ(FilterCompilerOutput("Fatal: Borland trouble\r\n"),
              "Fatal: Borland trouble\rFatal: Borland trouble\r");
}

TEST(CompilerOutputFilter, LeadingBlanksAreDroppedAndALastLineNeedsNoLineFeed) {
    EXPECT_EQ(FilterCompilerOutput("   Error: first\n  Warning: last"),
              "Error: firstWarning: last");
    EXPECT_EQ(FilterCompilerOutput(""), "");
    EXPECT_EQ(FilterCompilerOutput("   "), "");
}

TEST(CompilerOutputFilter, StartFailureAndExitLinesNeverSurvive) {
    EXPECT_EQ(FilterCompilerOutput("File not found. ErrorCode=2"), "");
    EXPECT_EQ(FilterCompilerOutput("\r\nProgram failed with code (0)"), "");
}

} // namespace
} // namespace setupkit
