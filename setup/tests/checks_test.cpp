#include "setup/checks.h"

#include "lib/driver_state.h"
#include "records/tests/registry_probe.h"
#include "records/uninstall.h"

#include <gtest/gtest.h>

#include <memory>

namespace setupkit {
namespace {

const std::string kApp = "SetupkitRecordsTest Checks App";

// Top-level windows of the IDE's classes, alive only while the test needs them.
class IdeWindows {
  public:
    explicit IdeWindows(std::initializer_list<const char*> classes) {
        for (const char* name : classes) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = ::DefWindowProcA;
            windowClass.hInstance = ::GetModuleHandleA(nullptr);
            windowClass.lpszClassName = name;
            ::RegisterClassA(&windowClass);
            windows_.emplace_back(::CreateWindowA(name, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                                  nullptr, windowClass.hInstance, nullptr));
        }
    }

  private:
    std::vector<UniqueWindow> windows_;
};

TEST(UninstallEntryExists, FindsOnlyAnEntryOfTheSameName) {
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kUninstallParentPath) + "\\" + kApp);
    EXPECT_FALSE(UninstallEntryExists(kApp));
    WriteUninstallEntry(kApp, "C:\\X\\UnInstall.exe \"" + kApp + "\"");
    EXPECT_TRUE(UninstallEntryExists(kApp));
    EXPECT_FALSE(UninstallEntryExists(kApp + " 2"));
    EXPECT_FALSE(UninstallEntryExists(""));
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kUninstallParentPath) + "\\" + kApp);
}

TEST(IsIdeRunning, NeedsAllThreeWindows) {
    EXPECT_FALSE(IsIdeRunning());
    {
        IdeWindows one{"TAppBuilder"};
        EXPECT_FALSE(IsIdeRunning());
    }
    {
        IdeWindows two{"TAlignPalette", "TPropertyInspector"};
        EXPECT_FALSE(IsIdeRunning());
    }
    {
        IdeWindows three{"TAlignPalette", "TPropertyInspector", "TAppBuilder"};
        EXPECT_TRUE(IsIdeRunning());
    }
    EXPECT_FALSE(IsIdeRunning());
}

// This program carries CHECKPREVVERSION and CHECKDELPHI "No": both checks
// pass without a box although their conditions hold (a box would hang the test).
TEST(PreInstallChecks, SwitchedOffChecksNeitherLookNorAsk) {
    driver::AppName = kApp;
    WriteUninstallEntry(kApp, "UnInstall.exe");
    EXPECT_TRUE(CheckPreviousVersion());
    {
        IdeWindows three{"TAlignPalette", "TPropertyInspector", "TAppBuilder"};
        EXPECT_TRUE(CheckRunningIde());
    }
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kUninstallParentPath) + "\\" + kApp);
}

} // namespace
} // namespace setupkit
