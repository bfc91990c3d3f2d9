#include "uninstall/path_rules.h"

#include <gtest/gtest.h>

namespace setupkit::uninstall {
namespace {

const WriteFolders kFolders{R"(C:\Program Files\Corvel)", R"(C:\WINDOWS\SYSTEM)",
                            R"(C:\Delphi\Help)", R"(C:\WINDOWS\Start Menu\Programs)"};

enum Kind { kFile, kFolder };

struct Case {
    Kind kind;
    const char* path;
    bool accepted;
};

TEST(PathRules, OnlyCanonicalPathsInsideTheFoldersASetupWritesToAreActedOn) {
    const Case cases[] = {
        {kFile, R"(C:\Program Files\Corvel\units\a.pas)", true},
        {kFile, R"(c:\program files\CORVEL\a.txt)", true},
        {kFile, R"(C:\WINDOWS\SYSTEM\grid.bpl)", true},
        {kFile, R"(C:\Delphi\Help\grid.hlp)", true},
        {kFile, R"(C:\WINDOWS\Start Menu\Programs\Corvel\Readme.lnk)", true},
        {kFolder, R"(C:\Program Files\Corvel)", true},
        {kFolder, R"(C:\Program Files\Corvel\units)", true},
        {kFolder, R"(C:\WINDOWS\Start Menu\Programs\Corvel)", true},
        // Outside every folder, or a shared folder itself.
        {kFile, R"(C:\WINDOWS\victim.txt)", false},
        {kFile, R"(C:\Program Files\Corvel Other\a.txt)", false},
        {kFolder, R"(C:\emptyroot)", false},
        {kFolder, R"(C:\WINDOWS\SYSTEM)", false},
        {kFolder, R"(C:\WINDOWS\Start Menu\Programs)", false},
        {kFolder, R"(C:\Program Files)", false},
        // Inside only by their text.
        {kFile, R"(C:\Program Files\Corvel\..\..\WINDOWS\victim.txt)", false},
        {kFile, R"(C:\Program Files\Corvel\.\a.txt)", false},
        {kFile, R"(C:\Program Files\Corvel\units\...\a.txt)", false},
        {kFile, R"(C:\Program Files\Corvel\a.txt.)", false},
        {kFile, R"(C:\Program Files\Corvel\a.txt )", false},
        {kFile, R"(C:\Program Files\Corvel/../../WINDOWS/victim.txt)", false},
        {kFile, R"(C:\Program Files\Corvel\\a.txt)", false},
        {kFile, R"(C:\Program Files\Corvel\a.txt::$DATA)", false},
        {kFile, R"(C:\Program Files\Corvel\*.txt)", false},
        {kFolder, R"(C:\Program Files\Corvel\units\)", false},
        {kFolder, R"(C:\Program Files\Corvel\..)", false},
        // Device forms, relative and half-rooted paths.
        {kFile, R"(\\?\C:\Program Files\Corvel\a.txt)", false},
        {kFile, R"(\\.\C:\Program Files\Corvel\a.txt)", false},
        {kFile, R"(\??\C:\Program Files\Corvel\a.txt)", false},
        {kFile, R"(Program Files\Corvel\a.txt)", false},
        {kFile, R"(\Program Files\Corvel\a.txt)", false},
        {kFile, R"(C:Program Files\Corvel\a.txt)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.kind == kFile ? MayRemoveFile(c.path, kFolders)
                                  : MayRemoveFolder(c.path, kFolders),
                  c.accepted);
    }
}

TEST(PathRules, AnInstallationFolderThatIsADriveOrAShareTakesNothingIn) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(C:\)", R"(C:\victim.txt)"},
        {R"(C:)", R"(C:\victim.txt)"},
        {R"(\\server\share)", R"(\\server\share\victim.txt)"},
        {R"(C:\Corvel\..)", R"(C:\Corvel\..\victim.txt)"},
        {"", R"(C:\victim.txt)"},
    };
    for (const auto& [installDir, file] : cases) {
        SCOPED_TRACE(installDir);
        EXPECT_FALSE(MayRemoveFile(file, {installDir, "", "", ""}));
        EXPECT_FALSE(MayRemoveFolder(installDir, {installDir, "", "", ""}));
    }
    EXPECT_TRUE(
        MayRemoveFile(R"(\\server\share\Corvel\a.txt)", {R"(\\server\share\Corvel)", "", "", ""}));
    EXPECT_FALSE(
        MayRemoveFile(R"(\\server\share\Corvel\a.txt)", {R"(\\.\share\Corvel)", "", "", ""}));
}

} // namespace
} // namespace setupkit::uninstall
