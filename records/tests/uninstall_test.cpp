#include "records/uninstall.h"

#include "lib/driver_state.h"
#include "records/installed_products.h"
#include "records/registry.h"
#include "records/tests/registry_probe.h"

#include <gtest/gtest.h>

namespace setupkit {
namespace {

const std::string kApp = "SetupkitRecordsTest Uninstall App";
const std::string kEntryKey = std::string(kUninstallParentPath) + "\\" + kApp;
const std::string kCountedFile = "C:\\SetupkitRecordsTest\\Uninstall\\a.pas";
const std::string kFilesKey = std::string(kInstalledFilesPath).substr(1);

std::string Sz(const std::string& text) {
    return text + '\0';
}

const char* const kEntryValueNames[] = {
    "PRODUCTNAME", "SUBPRODUCTNAME", "FILES",           "FOLDERS", "REGKEYS",       "APPNAME",
    "DELPHIVER",   "DisplayName",    "UninstallString", "VERSION", "INSTALLEDHELPS"};

void RemoveFromParent(const char* name) {
    RegKey parent;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallParentPath, 0, KEY_ALL_ACCESS,
                        parent.Put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(parent.Get(), name);
}

class UninstallRegistration : public ::testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override {
        Clean();
        driver::InstalledFiles.Clear();
        driver::InstalledFolders.Clear();
    }
    static void Clean() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntryKey);
        RegKey key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kFilesKey.c_str(), 0, KEY_ALL_ACCESS, key.Put()) ==
            ERROR_SUCCESS)
            ::RegDeleteValueA(key.Get(), kCountedFile.c_str());
    }
    static test::RawValue Value(const std::string& name) {
        return test::ReadRawValue(HKEY_LOCAL_MACHINE, kEntryKey, name);
    }
    static void SetRun(const std::string& installDir) {
        driver::AppName = kApp;
        driver::ProductName = "Corvel Controls";
        driver::SubProductName = "Corvel Nodemark;Corvel Grid";
        driver::ProductVersion = "2.1";
        driver::IdeCode = "D5";
        driver::InstallDir = installDir;
        driver::InstalledFiles.Clear();
        driver::InstalledFolders.Clear();
        driver::InstalledRegKeys.Clear();
    }
};

TEST(UninstallCommand, QuotesTheProgramOnlyWhenItHoldsASpace) {
    EXPECT_EQ(UninstallCommand("C:\\Corvel\\", "Corvel Nodemark 2.1"),
              "C:\\Corvel\\UnInstall.exe \"Corvel Nodemark 2.1\"");
    EXPECT_EQ(UninstallCommand("C:\\Program Files\\Corvel\\", "Nodemark"),
              "\"C:\\Program Files\\Corvel\\UnInstall.exe\" \"Nodemark\"");
}

TEST_F(UninstallRegistration, WritesEveryValueAsANulTerminatedString) {
    SetRun("C:\\Program Files\\Corvel\\");
    driver::InstalledFiles.Add(kCountedFile);
    driver::InstalledFiles.Add("C:\\SetupkitRecordsTest\\Uninstall\\b.dll");
    driver::InstalledFolders.Add("C:\\SetupkitRecordsTest\\Uninstall");
    RegisterUninstall();
    RegisterVersion();

    const std::pair<const char*, std::string> expected[] = {
        {"PRODUCTNAME", "Corvel Controls"},
        {"SUBPRODUCTNAME", "Corvel Nodemark;Corvel Grid"},
        {"FILES", kCountedFile + "\r\nC:\\SetupkitRecordsTest\\Uninstall\\b.dll\r\n"},
        {"FOLDERS", "C:\\SetupkitRecordsTest\\Uninstall\r\n"},
        {"REGKEYS", ""},
        {"APPNAME", kApp},
        {"DELPHIVER", "D5"},
        {"DisplayName", kApp},
        {"UninstallString", "\"C:\\Program Files\\Corvel\\UnInstall.exe\" \"" + kApp + "\""},
        {"VERSION", "2.1"},
    };
    for (const auto& [name, text] : expected) {
        const test::RawValue value = Value(name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.bytes, Sz(text)) << name;
    }
    EXPECT_FALSE(Value("INSTALLEDHELPS").exists);
    EXPECT_EQ(test::ReadRawValue(HKEY_CURRENT_USER, kFilesKey, kCountedFile).bytes,
              test::DwordBytes(1));
}

// A reinstallation finds its folders present and creates none; the entry
// still names everything the earlier runs put there, each path once, and this
// run's paths as often as it counted them.
TEST_F(UninstallRegistration, ASecondRunAddsItsListsToWhatTheEntryRecorded) {
    SetRun("C:\\Corvel\\");
    WriteUninstallValue(kApp, "FILES",
                        "C:\\first.pas\r\n" + kCountedFile + "\r\nc:\\FIRST.pas\r\n");
    WriteUninstallValue(kApp, "FOLDERS", "C:\\Corvel\r\nC:\\Corvel\\units\r\n");
    driver::InstalledFiles.Add(kCountedFile);
    driver::InstalledFiles.Add("C:\\new.pas");
    driver::InstalledFiles.Add("C:\\new.pas");
    driver::InstalledFolders.Add("C:\\Corvel\\help");
    RegisterUninstall();
    EXPECT_EQ(Value("FILES").bytes,
              Sz("C:\\first.pas\r\n" + kCountedFile + "\r\nC:\\new.pas\r\nC:\\new.pas\r\n"));
    EXPECT_EQ(Value("FOLDERS").bytes,
              Sz("C:\\Corvel\r\nC:\\Corvel\\units\r\nC:\\Corvel\\help\r\n"));
    EXPECT_EQ(test::ReadRawValue(HKEY_CURRENT_USER, kFilesKey, kCountedFile).bytes,
              test::DwordBytes(1));
}

// The registry would take an empty name for the shared parent key.
TEST_F(UninstallRegistration, WithoutANameNoValueIsWrittenAnywhere) {
    SetRun("C:\\Corvel\\");
    driver::AppName = "";
    RegisterUninstall();
    RegisterVersion();
    WriteUninstallValue("", "INSTALLEDHELPS", "Lib.hlp\r\n");
    for (const char* name : kEntryValueNames) {
        EXPECT_FALSE(test::ReadRawValue(HKEY_LOCAL_MACHINE, kUninstallParentPath, name).exists)
            << name;
        RemoveFromParent(name);
    }
}

TEST_F(UninstallRegistration, StringCountStopsTheRegistrationAfterFiles) {
    SetRun("C:\\Corvel\\");
    driver::InstalledFiles.Add(kCountedFile);
    test::SetRawValue(HKEY_CURRENT_USER, kFilesKey, kCountedFile, REG_SZ, Sz("1"));
    EXPECT_ANY_THROW(RegisterUninstall());
    EXPECT_TRUE(Value("FILES").exists);
    EXPECT_FALSE(Value("FOLDERS").exists);
    EXPECT_FALSE(Value("UninstallString").exists);
}

} // namespace
} // namespace setupkit
