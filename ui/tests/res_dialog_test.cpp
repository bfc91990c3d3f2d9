#include "lib/setup_error.h"
#include "ui/progress_dialog.h"
#include "ui/res_dialog.h"
#include "ui/select_dir_dialog.h"
#include "ui/tests/window_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <uxtheme.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace setupkit {
namespace {

// Records what reaches the object's handlers.
class RecordingDialog : public TResDialog {
  public:
    RecordingDialog() : TResDialog(kSelectDirTemplate) {}
    std::vector<WORD> commands;
    int initCalls = 0;

  protected:
    void InitDialog() override { ++initCalls; }
    void WMCommand(TMessage& message) override {
        commands.push_back(LOWORD(message.WParam));
        TResDialog::WMCommand(message);
    }
};

class ThrowingDialog : public TResDialog {
  public:
    ThrowingDialog() : TResDialog(kSelectDirTemplate) {}

  protected:
    void WMCommand(TMessage&) override { throw SetupError("handler failed"); }
};

void PostCommand(HWND window, WORD id, WORD code = 0) {
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), 0);
}

// The loop notices the end only when a further message arrives.
void PostWakeUp(HWND window) {
    ::PostMessageA(window, WM_NULL, 0, 0);
}

bool IsLive(const TResDialog* dialog) {
    const auto& live = DialogInstances();
    return std::find(live.begin(), live.end(), dialog) != live.end();
}

class ResDialogLoop : public ::testing::Test {
  protected:
    void SetUp() override { ::InitCommonControls(); }
};

TEST_F(ResDialogLoop, OkEndsWithTrueAndTheMessageAfterItIsNotDispatched) {
    TResDialog dialog(kSelectDirTemplate);
    PostCommand(dialog.Handle, IDOK);
    PostCommand(dialog.Handle, IDCANCEL);
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(dialog.Finished);
    EXPECT_TRUE(::IsWindowVisible(dialog.Handle));
}

TEST_F(ResDialogLoop, CancelEndsWithFalse) {
    TResDialog dialog(kSelectDirTemplate);
    PostCommand(dialog.Handle, IDCANCEL);
    PostWakeUp(dialog.Handle);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(dialog.Finished);
}

TEST_F(ResDialogLoop, OnlyPlainOkAndCancelCommandsFinish) {
    TResDialog dialog(kSelectDirTemplate);
    for (WPARAM command : {MAKEWPARAM(IDOK, 1), MAKEWPARAM(IDCANCEL, EN_CHANGE),
                           MAKEWPARAM(kBrowseButtonId, 0), MAKEWPARAM(kFolderEditId, 0)}) {
        ::SendMessageA(dialog.Handle, WM_COMMAND, command, 0);
        EXPECT_FALSE(dialog.Finished) << std::hex << command;
        EXPECT_FALSE(dialog.DialogResult) << std::hex << command;
    }
    // The same commands taken by the loop keep it running until the OK.
    PostCommand(dialog.Handle, IDCANCEL, 1);
    PostCommand(dialog.Handle, kBrowseButtonId);
    PostCommand(dialog.Handle, IDOK);
    PostWakeUp(dialog.Handle);
    EXPECT_TRUE(dialog.Execute());
}

TEST_F(ResDialogLoop, QuitEndsWithFalseAndIsConsumed) {
    TResDialog dialog(kSelectDirTemplate);
    ::PostQuitMessage(0);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_FALSE(dialog.Finished);
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Enter, Escape and the Close box reach the object as OK and Cancel through
// the dialog manager.
TEST_F(ResDialogLoop, KeysAndCloseBoxAnswerThroughTheDialogManager) {
    {
        TResDialog dialog(kSelectDirTemplate);
        ::PostMessageA(::GetDlgItem(dialog.Handle, kFolderEditId), WM_KEYDOWN, VK_RETURN, 0);
        PostWakeUp(dialog.Handle);
        EXPECT_TRUE(dialog.Execute());
    }
    {
        TResDialog dialog(kSelectDirTemplate);
        ::PostMessageA(::GetDlgItem(dialog.Handle, kFolderEditId), WM_KEYDOWN, VK_ESCAPE, 0);
        PostWakeUp(dialog.Handle);
        EXPECT_FALSE(dialog.Execute());
        EXPECT_TRUE(dialog.Finished);
    }
    {
        TResDialog dialog(kSelectDirTemplate);
        ::PostMessageA(dialog.Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostWakeUp(dialog.Handle);
        EXPECT_FALSE(dialog.Execute());
        EXPECT_TRUE(dialog.Finished);
    }
}

TEST_F(ResDialogLoop, ErrorOfAHandlerLeavesExecute) {
    ThrowingDialog dialog;
    PostCommand(dialog.Handle, kBrowseButtonId);
    EXPECT_THROW(dialog.Execute(), SetupError);
}

TEST(ResDialogObjects, EachWindowReachesOnlyItsOwnObject) {
    RecordingDialog first;
    RecordingDialog second;
    ::SendMessageA(first.Handle, WM_COMMAND, MAKEWPARAM(7, 0), 0);
    ::SendMessageA(second.Handle, WM_COMMAND, MAKEWPARAM(8, 0), 0);
    ::SendMessageA(second.Handle, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    EXPECT_EQ(first.commands, std::vector<WORD>{7});
    EXPECT_EQ(second.commands, (std::vector<WORD>{8, IDOK}));
    EXPECT_FALSE(first.Finished);
    EXPECT_TRUE(second.Finished);
}

// The creation's WM_INITDIALOG binds the window to the object while the
// derived class is not built yet; a later one reaches its override.
TEST(ResDialogObjects, TheWindowIsBoundAtItsInitDialogAndOverridesSeeLaterOnes) {
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Handle);
    EXPECT_EQ(::GetWindowLongPtrA(dialog.Handle, DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog));
    EXPECT_EQ(dialog.initCalls, 0);
    ::SendMessageA(dialog.Handle, WM_INITDIALOG, 0, 0);
    EXPECT_EQ(dialog.initCalls, 1);
}

TEST(ResDialogObjects, DestructionUnlistsTheObjectAndDestroysItsWindow) {
    auto first = std::make_unique<TResDialog>(kSelectDirTemplate);
    auto second = std::make_unique<TResDialog>(kSelectDirTemplate);
    const HWND window = first->Handle;
    ASSERT_TRUE(::IsWindow(window));
    ASSERT_TRUE(IsLive(first.get()));
    const TResDialog* gone = first.get();
    first.reset();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(IsLive(gone));
    EXPECT_TRUE(IsLive(second.get()));
    EXPECT_TRUE(::IsWindow(second->Handle));
}

TEST(ResDialogTemplates, DestinationDialogStartsHiddenProgressDialogVisible) {
    ::InitCommonControls();
    TSelectDirDialog destination;
    TProgressDialog progress;
    ASSERT_TRUE(destination.Handle);
    ASSERT_TRUE(progress.Handle);
    EXPECT_FALSE(::IsWindowVisible(destination.Handle));
    EXPECT_TRUE(::IsWindowVisible(progress.Handle));
    EXPECT_EQ(testing::WindowText(destination.Handle), "Select Destination Directory");
    EXPECT_EQ(testing::WindowText(progress.Handle), "Installing files");
}

TEST(ProgressDialog, ControlsTakeTextRangeAndPosition) {
    ::InitCommonControls();
    TProgressDialog dialog;
    const HWND bar = ::GetDlgItem(dialog.Handle, kProgressBarId);
    ASSERT_EQ(testing::ClassOf(bar), std::string(PROGRESS_CLASSA));

    dialog.SetStatusText("units\\R&D\\a.pas");
    EXPECT_EQ(testing::WindowText(::GetDlgItem(dialog.Handle, kProgressTextId)),
              "units\\R&D\\a.pas");

    // Byte counts above the 16-bit range of the old messages.
    dialog.SetRange(3000000);
    PBRANGE range{};
    ::SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 3000000);

    dialog.SetPosition(1234567);
    dialog.ShowLatest();
    EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 1234567);
}

// Wine themes a program's controls where Windows would not; a themed bar
// costs milliseconds a paint.
TEST(ProgressDialog, BarIsNotThemed) {
    ::InitCommonControls();
    TProgressDialog dialog;
    EXPECT_EQ(::GetWindowTheme(::GetDlgItem(dialog.Handle, kProgressBarId)), nullptr);
}

TEST(SelectDirDialog, DirectoryIsTheEditBoxText) {
    TSelectDirDialog dialog;
    EXPECT_EQ(dialog.Directory(), "");
    const std::string longPath = "D:\\" + std::string(400, 'x') + "\\Lib\\";
    for (const std::string& text : {std::string("C:\\Program Files\\Lib\\"), longPath,
                                    std::string("relative"), std::string()}) {
        dialog.SetDirectory(text);
        EXPECT_EQ(dialog.Directory(), text);
        EXPECT_EQ(testing::WindowText(::GetDlgItem(dialog.Handle, kFolderEditId)), text);
    }
}

} // namespace
} // namespace setupkit
