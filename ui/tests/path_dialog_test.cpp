#include "ui/path_dialog.h"
#include "ui/tests/window_driver.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace setupkit {
namespace {

using testing::Driver;
using testing::HasChildText;
using testing::WaitForDialog;
using testing::WaitForTreeSelection;

std::string CurrentFolder() {
    char buffer[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

TEST(PathDialogTables, DefaultsBrowseFileSystemFoldersFromTheDesktop) {
    TKVPathDialog dialog;
    EXPECT_TRUE(dialog.Flags == TKVPathDialogFlags{pdfReturnOnlyFSDirs});
    EXPECT_EQ(dialog.Root, pdrNone);
    EXPECT_EQ(BrowseFlagsOf(dialog.Flags), UINT(BIF_RETURNONLYFSDIRS));
    EXPECT_EQ(SpecialFolderOf(dialog.Root), CSIDL_DESKTOP);
    EXPECT_EQ(dialog.BrowseHandle, nullptr);
}

TEST(PathDialogTables, FlagSetIsOneByteAndMapsEachMember) {
    static_assert(sizeof(TKVPathDialogFlags) == 1 && sizeof(TKVPathDialogRoot) == 1);
    EXPECT_EQ(TKVPathDialogFlags{pdfReturnfsAncestors}.Bits(), 0x08);
    EXPECT_EQ(BrowseFlagsOf({}), 0u);
    EXPECT_EQ(BrowseFlagsOf({pdfBrowseForComputer, pdfDontGoBelowDomain}), 0x1002u);
    EXPECT_EQ(BrowseFlagsOf({pdfBrowseForPrinter, pdfReturnfsAncestors, pdfReturnOnlyFSDirs}),
              0x2009u);
}

TEST(PathDialogTables, EveryRootHasItsSpecialFolder) {
    const int expected[] = {0x00, 0x0A, 0x03, 0x00, 0x10, 0x11, 0x14, 0x13, 0x12,
                            0x05, 0x04, 0x02, 0x08, 0x09, 0x0B, 0x07, 0x15};
    for (int root = pdrNone; root <= pdrTemplates; ++root)
        EXPECT_EQ(SpecialFolderOf(static_cast<TKVPathDialogRoot>(root)), expected[root]) << root;
}

TEST(PathDialogSelectedItem, SetterDropsOneBackslashAndFillsInTheCurrentFolder) {
    TKVPathDialog dialog;
    dialog.SetSelectedItem("");
    EXPECT_EQ(dialog.SelectedItem(), CurrentFolder());
    dialog.SetSelectedItem("C:\\Lib\\");
    EXPECT_EQ(dialog.SelectedItem(), "C:\\Lib");
    dialog.SetSelectedItem("C:\\Lib\\\\");
    EXPECT_EQ(dialog.SelectedItem(), "C:\\Lib\\");
    dialog.SetSelectedItem("C:\\");
    EXPECT_EQ(dialog.SelectedItem(), "C:");
    dialog.SetSelectedItem("Lib");
    EXPECT_EQ(dialog.SelectedItem(), "Lib");
}

// The shell's real browser, answered from a second thread.
class PathDialogBrowser : public ::testing::Test {
  protected:
    void SetUp() override { ::CoInitialize(nullptr); }
    void TearDown() override { ::CoUninitialize(); }

    // Waits for the browser, checks that it shows `title`, runs `act` on it,
    // waits until the tree shows `selected` (when given) and presses `button`.
    Driver Answer(const std::string& title, int button, const std::string& selected = "",
                  void (*act)(TKVPathDialog&) = nullptr) {
        const DWORD thread = ::GetCurrentThreadId();
        return Driver([=] {
            const HWND browser = WaitForDialog(thread);
            if (!browser)
                return;
            titleShown_ = HasChildText(browser, title);
            if (act)
                act(dialog_);
            if (!selected.empty())
                WaitForTreeSelection(browser, selected);
            ::PostMessageA(browser, WM_COMMAND, MAKEWPARAM(button, 0), 0);
        });
    }

    testing::DriveFolders folders_;
    TKVPathDialog dialog_;
    bool titleShown_ = false;
};

TEST_F(PathDialogBrowser, OkReturnsThePreselectedFolder) {
    folders_.Make("ui_browse_ok");
    const std::string folder = folders_.Make("ui_browse_ok\\nested");
    dialog_.SetSelectedItem(folder + "\\");
    dialog_.Title = "Where to?";
    bool chosen = false;
    {
        Driver driver = Answer("Where to?", IDOK, "nested");
        chosen = dialog_.Execute();
    }
    EXPECT_TRUE(titleShown_);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog_.SelectedItem(), folder);
    EXPECT_EQ(dialog_.BrowseHandle, nullptr);
}

TEST_F(PathDialogBrowser, CancelKeepsTheSelectedItem) {
    const std::string folder = folders_.Make("ui_browse_cancel");
    dialog_.SetSelectedItem(folder);
    bool chosen = true;
    {
        Driver driver = Answer("", IDCANCEL);
        chosen = dialog_.Execute();
    }
    EXPECT_FALSE(chosen);
    EXPECT_EQ(dialog_.SelectedItem(), folder);
    EXPECT_EQ(dialog_.BrowseHandle, nullptr);
}

// While the browser is open the setter moves its selection.
TEST_F(PathDialogBrowser, SelectionFollowsTheSetterWhileOpen) {
    dialog_.SetSelectedItem(folders_.Make("ui_browse_first"));
    folders_.Make("ui_browse_second");
    bool chosen = false;
    {
        Driver driver = Answer("", IDOK, "ui_browse_second", [](TKVPathDialog& open) {
            if (open.BrowseHandle)
                open.SetSelectedItem("C:\\ui_browse_second\\");
        });
        chosen = dialog_.Execute();
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog_.SelectedItem(), "C:\\ui_browse_second");
}

TEST_F(PathDialogBrowser, DriveRootKeepsItsBackslash) {
    dialog_.SetSelectedItem("C:\\");
    bool chosen = false;
    {
        Driver driver = Answer("", IDOK);
        chosen = dialog_.Execute();
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(dialog_.SelectedItem(), "C:\\");
}

TEST_F(PathDialogBrowser, BrowseForFolderChangesThePathOnlyWhenChosen) {
    const std::string folder = folders_.Make("ui_browse_function");
    const DWORD thread = ::GetCurrentThreadId();
    std::string path = folder + "\\";
    {
        Driver driver([thread] {
            if (const HWND browser = WaitForDialog(thread))
                ::PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_FALSE(BrowseForFolder("Pick", path, nullptr));
    }
    EXPECT_EQ(path, folder + "\\");
    bool titled = false;
    {
        Driver driver([thread, &titled] {
            if (const HWND browser = WaitForDialog(thread)) {
                titled = HasChildText(browser, "Pick");
                WaitForTreeSelection(browser, "ui_browse_function");
                ::PostMessageA(browser, WM_COMMAND, IDOK, 0);
            }
        });
        EXPECT_TRUE(BrowseForFolder("Pick", path, nullptr));
    }
    EXPECT_TRUE(titled);
    EXPECT_EQ(path, folder);
}

} // namespace
} // namespace setupkit
