#include "ide/path_templates.h"

#include "lib/setup_error.h"
#include "records/folders.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

// The help templates read the IDE settings keys, which the tests own while
// they hold the "borland_registry" lock.
class PathTemplates : public ::testing::Test {
  protected:
    void SetUp() override { RemoveIdes(); }
    void TearDown() override { RemoveIdes(); }
    static void RemoveIdes() {
        for (const char* key : {"Delphi\\3.0", "Delphi\\4.0", "C++Builder\\1.0"})
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string("Software\\Borland\\") + key);
    }
    static void SetRoot(const std::string& subkey, const std::string& root) {
        test::SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\" + subkey, "RootDir", REG_SZ,
                          root + '\0');
    }
};

TEST_F(PathTemplates, ExpandsTheMachineFolders) {
    EXPECT_EQ(ExpandPathTemplates("%PROGRAMFILES%Corvel"), GetProgramFilesFolder() + "Corvel");
    EXPECT_EQ(ExpandPathTemplates("%SYSTEM%%SYSTEM%"), GetSystemFolder() + GetSystemFolder());
    EXPECT_EQ(ExpandPathTemplates("%WINDOWS%\\x"), GetWindowsFolder() + "\\x");
    EXPECT_EQ(ExpandPathTemplates("%system%%D5_HELP%%C4_HELP%"), "%system%%D5_HELP%%C4_HELP%");
}

TEST_F(PathTemplates, HelpTemplatesNameTheIdesHelpFolders) {
    SetRoot("Delphi\\4.0", "C:\\Ide");
    EXPECT_EQ(ExpandPathTemplates("%D4_HELP%corvel.hlp"), "C:\\Ide\\HELP\\corvel.hlp");
    EXPECT_EQ(ExpandPathTemplates("%C1_HELP%"), "HELP\\");
}

TEST_F(PathTemplates, HelpFolderHoldingItsOwnTemplateStillEnds) {
    SetRoot("Delphi\\4.0", "C:\\%D4_HELP%");
    const std::string result = ExpandPathTemplates("%D4_HELP%");
    EXPECT_NE(result.find("%D4_HELP%"), std::string::npos);
    EXPECT_EQ(result.rfind("C:\\", 0), 0u);
}

TEST_F(PathTemplates, UnreadableHelpRootRaises) {
    test::SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\Delphi\\3.0", "RootDir", REG_DWORD,
                      test::DwordBytes(3));
    EXPECT_THROW(ExpandPathTemplates("%D3_HELP%"), SetupError);
    EXPECT_EQ(ExpandPathTemplates("%SYSTEM%"), GetSystemFolder());
}

} // namespace
} // namespace setupkit
