#include "ui/select_dir.h"
#include "ui/select_dir_dialog.h"
#include "ui/tests/window_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>

namespace setupkit {
namespace {

using testing::Driver;
using testing::HasChildText;
using testing::WaitForDialog;
using testing::WaitForTreeSelection;
using testing::WindowText;

void Wait(int ms) {
    ::Sleep(ms);
}

// Waits until `window` is gone (the modal browser has returned).
void WaitUntilClosed(HWND window) {
    for (int waited = 0; waited < 10000 && ::IsWindow(window); waited += 20)
        Wait(20);
}

// Ends the destination dialog's loop with Cancel once the browser is done.
void CloseDestination(HWND destination) {
    ::PostMessageA(destination, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageA(destination, WM_NULL, 0, 0);
}

class BrowseButton : public ::testing::Test {
  protected:
    void SetUp() override { ::CoInitialize(nullptr); }
    void TearDown() override { ::CoUninitialize(); }

    // Presses Browse, answers the browser with `button` and returns the
    // edit box text after the browser has closed.
    std::string PressBrowse(const std::string& typed, int button, const std::string& selected) {
        ::CreateDirectoryA("C:\\ui_select_dir", nullptr);
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
            ::PostMessageA(destination, WM_COMMAND, MAKEWPARAM(BrowseButtonId, BN_CLICKED), 0);
            EXPECT_FALSE(dialog.Execute());
        }
        return dialog.Directory();
    }

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
    ::CreateDirectoryA("C:\\ui_select_dir\\current", nullptr);
    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\ui_select_dir\\current"));
    const std::string chosen = PressBrowse("", IDOK, "current");
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(chosen, "C:\\ui_select_dir\\current");
}

// The user's part of the destination question, played from a second thread.
struct Answer {
    // Text typed into the edit box before answering; null keeps it.
    const char* typed;
    // How the dialog is left: a button id, or a key or the Close box.
    enum { OkButton, CancelButton, EnterKey, EscapeKey, CloseBox } how;
};

class PromptInstallDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::InitCommonControls();
        ::CoInitialize(nullptr);
    }
    void TearDown() override { ::CoUninitialize(); }

    bool Prompt(std::string& installDir, Answer answer) {
        const DWORD thread = ::GetCurrentThreadId();
        bool result = false;
        {
            Driver driver([=] { Play(thread, answer); });
            result = PromptInstallDir(installDir);
        }
        return result;
    }

    static void Play(DWORD thread, Answer answer) {
        const HWND dialog = WaitForDialog(thread);
        if (!dialog)
            return;
        const HWND edit = ::GetDlgItem(dialog, FolderEditId);
        if (answer.typed)
            ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.typed));
        switch (answer.how) {
        case Answer::OkButton:
            ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            break;
        case Answer::CancelButton:
            ::PostMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            break;
        case Answer::EnterKey:
            ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
            break;
        case Answer::EscapeKey:
            ::PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case Answer::CloseBox:
            ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        Wait(100);
        ::PostMessageA(dialog, WM_NULL, 0, 0);
    }
};

TEST_F(PromptInstallDirTest, ShowsTheProposedFolder) {
    std::string shown;
    const DWORD thread = ::GetCurrentThreadId();
    std::string installDir = "C:\\Proposed\\Lib";
    {
        Driver driver([&shown, thread] {
            if (const HWND dialog = WaitForDialog(thread)) {
                shown = WindowText(::GetDlgItem(dialog, FolderEditId));
                ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                ::PostMessageA(dialog, WM_NULL, 0, 0);
            }
        });
        EXPECT_FALSE(PromptInstallDir(installDir));
    }
    EXPECT_EQ(shown, "C:\\Proposed\\Lib");
    EXPECT_EQ(installDir, "C:\\Proposed\\Lib");
}

TEST_F(PromptInstallDirTest, OkGivesTheTypedFolderWithOneTrailingBackslash) {
    std::string installDir = "C:\\Proposed";
    EXPECT_TRUE(Prompt(installDir, {nullptr, Answer::OkButton}));
    EXPECT_EQ(installDir, "C:\\Proposed\\");

    EXPECT_TRUE(Prompt(installDir, {"D:\\Other\\Lib", Answer::EnterKey}));
    EXPECT_EQ(installDir, "D:\\Other\\Lib\\");

    EXPECT_TRUE(Prompt(installDir, {"D:\\Already\\", Answer::OkButton}));
    EXPECT_EQ(installDir, "D:\\Already\\");

    // Neither form nor existence is checked.
    EXPECT_TRUE(Prompt(installDir, {"  not a path?", Answer::OkButton}));
    EXPECT_EQ(installDir, "  not a path?\\");
}

TEST_F(PromptInstallDirTest, EmptiedBoxGivesAnEmptyFolder) {
    std::string installDir = "C:\\Proposed\\";
    EXPECT_TRUE(Prompt(installDir, {"", Answer::OkButton}));
    EXPECT_EQ(installDir, "");
}

TEST_F(PromptInstallDirTest, CancelEscapeAndCloseBoxKeepTheFolder) {
    for (auto how : {Answer::CancelButton, Answer::EscapeKey, Answer::CloseBox}) {
        std::string installDir = "C:\\Proposed";
        EXPECT_FALSE(Prompt(installDir, {"D:\\Typed", how})) << how;
        EXPECT_EQ(installDir, "C:\\Proposed") << how;
    }
}

TEST_F(PromptInstallDirTest, DialogIsGoneAfterwards) {
    std::string installDir = "C:\\Proposed";
    EXPECT_TRUE(Prompt(installDir, {nullptr, Answer::OkButton}));
    EXPECT_TRUE(DialogInstances().empty());
    EXPECT_EQ(WaitForDialog(::GetCurrentThreadId(), nullptr, 0), nullptr);
}

} // namespace
} // namespace setupkit
