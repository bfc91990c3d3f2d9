// The closing box's text: a long group is cut with a line saying how many
// more there are, so the box stays on the screen; the whole text is what a
// box without a limit says.
#include "uninstall/report.h"

#include <gtest/gtest.h>

namespace setupkit::uninstall {
namespace {

std::vector<std::string> Files(int count) {
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
        files.push_back("C:\\Grid\\file" + std::to_string(i) + ".pas");
    return files;
}

TEST(FinalText, LongGroupsAreCutWithTheCountOfTheRest) {
    UninstallReport report;
    report.filesRemoved = 3;
    report.keptInUse = Files(332);
    report.notRemoved = Files(2);
    const std::string cut = FinalText("Grid", report, 20);
    EXPECT_NE(cut.find("file19.pas\r\nand 312 more"), std::string::npos) << cut;
    EXPECT_EQ(cut.find("file20.pas"), std::string::npos);
    EXPECT_NE(cut.find("Could not be removed:\r\nC:\\Grid\\file0.pas\r\nC:\\Grid\\file1.pas"),
              std::string::npos);
    const std::string whole = FinalText("Grid", report);
    EXPECT_NE(whole.find("file331.pas"), std::string::npos);
    EXPECT_EQ(whole.find("more"), std::string::npos);

    report.keptInUse = Files(20);
    EXPECT_EQ(FinalText("Grid", report, 20), FinalText("Grid", report));
}

} // namespace
} // namespace setupkit::uninstall
