#include "ui/select_dir_dialog.h"
#include "ui/tests/window_driver.h"

#include <gtest/gtest.h>

#include <atomic>

namespace setupkit {
namespace {

using testing::Driver;
using testing::HasChildText;
using testing::WaitForDialog;
using testing::WaitForTreeSelection;

// Waits until `window` is gone (the modal browser has returned).
void WaitUntilClosed(HWND window) {
    for (int waited = 0; waited < 10000 && ::IsWindow(window); waited += 20)
        ::Sleep(20);
}

// Ends the destination dialog's loop with Cancel once the browser is done.
void CloseDestination(HWND destination) {
    ::PostMessageA(destination, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageA(destination, WM_NULL, 0, 0);
}

class BrowseButton : public ::testing::Test {
  protected:
    void SetUp() override {
        ::CoInitialize(nullptr);
        folders_.Make("ui_select_dir");
    }
    void TearDown() override { ::CoUninitialize(); }

    // Presses Browse, answers the browser with `button` and returns the
    // edit box text after the browser has closed.
    std::string PressBrowse(const std::string& typed, int button, const std::string& selected) {
        TSelectDirDialog dialog;
        dialog.SetDirectory(typed);
        const DWORD thread = ::GetCurrentThreadId();
        const HWND destination = dialog.Handle;
        {
            Driver driver([=] {
                const HWND browser = WaitForDialog(thread, destination);
                if (browser) {
                    titled_ = HasChildText(browser, "Select the installation folder");
                    owned_ = ::GetWindow(browser, GW_OWNER) == destination;
                    WaitForTreeSelection(browser, selected);
                    ::PostMessageA(browser, WM_COMMAND, button, 0);
                    WaitUntilClosed(browser);
                }
                CloseDestination(destination);
            });
            ::PostMessageA(destination, WM_COMMAND, MAKEWPARAM(kBrowseButtonId, BN_CLICKED), 0);
            EXPECT_FALSE(dialog.Execute());
        }
        return dialog.Directory();
    }

    testing::DriveFolders folders_;
    std::atomic<bool> titled_{false};
    std::atomic<bool> owned_{false};
};

TEST_F(BrowseButton, ChoosingAFolderWritesItWithoutTrailingBackslash) {
    EXPECT_EQ(PressBrowse("C:\\ui_select_dir\\", IDOK, "ui_select_dir"), "C:\\ui_select_dir");
    EXPECT_TRUE(titled_);
    EXPECT_TRUE(owned_);
}

TEST_F(BrowseButton, CancellingLeavesTheEditBoxAlone) {
    EXPECT_EQ(PressBrowse("C:\\ui_select_dir\\", IDCANCEL, "ui_select_dir"), "C:\\ui_select_dir\\");
    EXPECT_TRUE(titled_);
}

TEST_F(BrowseButton, EmptyBoxOpensOnTheCurrentFolder) {
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    folders_.Make("ui_select_dir\\current");
    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\ui_select_dir\\current"));
    const std::string chosen = PressBrowse("", IDOK, "current");
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(chosen, "C:\\ui_select_dir\\current");
}

} // namespace
} // namespace setupkit
