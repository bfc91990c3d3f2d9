#include "records/template_expansion.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

class TemplateExpansion : public ::testing::Test {
  protected:
    std::vector<TTemplateInfo> Table() {
        return {
            {"%SYSTEM%", [this] { return Ask("%SYSTEM%", system_); }},
            {"%WINDOWS%", [this] { return Ask("%WINDOWS%", windows_); }},
            {"%PROGRAMFILES%", [this] { return Ask("%PROGRAMFILES%", programFiles_); }},
        };
    }
    std::string Ask(const std::string& name, const std::string& value) {
        asked_.push_back(name);
        return value;
    }

    std::string system_ = "C:\\WINDOWS\\SYSTEM\\";
    std::string windows_ = "C:\\WINDOWS\\";
    std::string programFiles_ = "D:\\Program Files\\";
    std::vector<std::string> asked_;
};

TEST_F(TemplateExpansion, ReplacesEveryOccurrenceAskingTheValueEachTime) {
    EXPECT_EQ(ExpandTemplates("%SYSTEM%%SYSTEM%", Table()),
              "C:\\WINDOWS\\SYSTEM\\C:\\WINDOWS\\SYSTEM\\");
    EXPECT_EQ(asked_, (std::vector<std::string>{"%SYSTEM%", "%SYSTEM%"}));
}

TEST_F(TemplateExpansion, AsksOnlyForTemplatesThatOccur) {
    EXPECT_EQ(ExpandTemplates("%PROGRAMFILES%Corvel", Table()), "D:\\Program Files\\Corvel");
    EXPECT_EQ(asked_, (std::vector<std::string>{"%PROGRAMFILES%"}));
}

TEST_F(TemplateExpansion, LeavesEverythingButTemplatesAlone) {
    EXPECT_EQ(ExpandTemplates("%system%\\%D5_HELP%\\%", Table()), "%system%\\%D5_HELP%\\%");
    EXPECT_TRUE(asked_.empty());
    // Nothing else is normalised: the backslash after a template stays.
    EXPECT_EQ(ExpandTemplates("%WINDOWS%\\Fonts", Table()), "C:\\WINDOWS\\\\Fonts");
}

TEST_F(TemplateExpansion, ProcessesTheTableInOrder) {
    EXPECT_EQ(ExpandTemplates("%PROGRAMFILES%%WINDOWS%%SYSTEM%", Table()),
              "D:\\Program Files\\C:\\WINDOWS\\C:\\WINDOWS\\SYSTEM\\");
    EXPECT_EQ(asked_, (std::vector<std::string>{"%SYSTEM%", "%WINDOWS%", "%PROGRAMFILES%"}));
}

TEST_F(TemplateExpansion, ExpandsWhatAValueBringsInOnlyForRecordsStillToCome) {
    programFiles_ = "%WINDOWS%Programs\\";
    windows_ = "E:\\";
    // %WINDOWS% has had its turn when %PROGRAMFILES% brings it in.
    EXPECT_EQ(ExpandTemplates("%PROGRAMFILES%x", Table()), "%WINDOWS%Programs\\x");
    system_ = "%WINDOWS%Sys\\";
    EXPECT_EQ(ExpandTemplates("%SYSTEM%", Table()), "E:\\Sys\\");
}

TEST_F(TemplateExpansion, StopsWhenAValueHoldsItsOwnTemplate) {
    system_ = "C:\\%SYSTEM%\\";
    const std::string result = ExpandTemplates("%SYSTEM%end", Table());
    EXPECT_EQ(asked_.size(), kMaxTemplateReplacements);
    std::string expected = "%SYSTEM%";
    for (std::size_t i = 0; i < kMaxTemplateReplacements; ++i)
        expected = "C:\\" + expected + "\\";
    EXPECT_EQ(result, expected + "end");
}

TEST_F(TemplateExpansion, BoundStillAllowsManyOrdinaryTemplates) {
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "%WINDOWS%";
    const std::string result = ExpandTemplates(text, Table());
    EXPECT_EQ(result.find('%'), std::string::npos);
    EXPECT_EQ(result.size(), 100 * windows_.size());
}

} // namespace
} // namespace setupkit
