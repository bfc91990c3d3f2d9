// The dialog templates as the shipped setup program carries them, compared
// field by field with what the setup's users have always been shown.
#include "ui/tests/dialog_template.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace setupkit::testing {
namespace {

constexpr WORD kRussian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
constexpr DWORD kChildVisible = WS_CHILD | WS_VISIBLE;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER |
                               DS_3DLOOK | DS_NOIDLEMSG | DS_SETFONT;

struct ExpectedControl {
    const char* className;
    DWORD id;
    const char* text;
    int x, y, cx, cy;
    DWORD style;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

class ShippedTemplates : public ::testing::Test {
  protected:
    void SetUp() override {
        setup_ = ::LoadLibraryExA(SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(setup_, nullptr) << SETUP_EXE;
    }
    void TearDown() override { ::FreeLibrary(setup_); }

    std::vector<WORD> Languages(int id) {
        std::vector<WORD> languages;
        ::EnumResourceLanguagesA(setup_, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(id), CollectLanguage,
                                 reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    DialogTemplate Load(int id) {
        const HRSRC found =
            ::FindResourceExA(setup_, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(id), kRussian);
        if (!found)
            throw std::runtime_error("template " + std::to_string(id) + " missing");
        const HGLOBAL loaded = ::LoadResource(setup_, found);
        return ParseDialogTemplateEx(::LockResource(loaded), ::SizeofResource(setup_, found));
    }

    static void ExpectFrame(const DialogTemplate& dialog, DWORD style, const char* title, int cx,
                            int cy) {
        EXPECT_EQ(dialog.helpId, 0u);
        EXPECT_EQ(dialog.exStyle, DWORD(WS_EX_CONTROLPARENT));
        EXPECT_EQ(dialog.style, style);
        EXPECT_EQ(dialog.x, 0);
        EXPECT_EQ(dialog.y, 0);
        EXPECT_EQ(dialog.cx, cx);
        EXPECT_EQ(dialog.cy, cy);
        EXPECT_EQ(dialog.menu, "");
        EXPECT_EQ(dialog.windowClass, "");
        EXPECT_EQ(dialog.title, title);
        EXPECT_EQ(dialog.pointSize, 8);
        EXPECT_EQ(dialog.weight, 0);
        EXPECT_EQ(dialog.italic, 0);
        EXPECT_EQ(dialog.charSet, 0);
        EXPECT_EQ(dialog.typeface, "MS Sans Serif");
    }

    // Controls in template order, which is the tab order. Window class names
    // compare without regard to case, as the window manager compares them.
    static void ExpectControls(const DialogTemplate& dialog,
                               const std::vector<ExpectedControl>& expected) {
        ASSERT_EQ(dialog.controls.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const ControlTemplate& got = dialog.controls[i];
            const ExpectedControl& want = expected[i];
            SCOPED_TRACE("control " + std::to_string(i));
            EXPECT_EQ(got.helpId, 0u);
            EXPECT_EQ(got.exStyle, 0u);
            EXPECT_EQ(got.style, want.style | kChildVisible);
            EXPECT_EQ(got.x, want.x);
            EXPECT_EQ(got.y, want.y);
            EXPECT_EQ(got.cx, want.cx);
            EXPECT_EQ(got.cy, want.cy);
            EXPECT_EQ(got.id, want.id);
            EXPECT_EQ(::lstrcmpiA(got.className.c_str(), want.className), 0) << got.className;
            EXPECT_EQ(got.text, want.text);
            EXPECT_EQ(got.extraBytes, 0);
        }
    }

    HMODULE setup_ = nullptr;
};

TEST_F(ShippedTemplates, EachTemplateIsStoredOnceUnderRussian) {
    EXPECT_EQ(Languages(103), std::vector<WORD>{1049});
    EXPECT_EQ(Languages(104), std::vector<WORD>{1049});
}

TEST_F(ShippedTemplates, DestinationDialog) {
    const DialogTemplate dialog = Load(103);
    ExpectFrame(dialog, kDialogStyle, "Select Destination Directory", 253, 74);
    ExpectControls(
        dialog,
        {
            {"EDIT", 1000, "", 10, 26, 177, 12, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
            {"BUTTON", 1, "OK", 135, 50, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
            {"BUTTON", 2, "Cancel", 192, 50, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
            {"STATIC", 65535, "Destination Directory:", 10, 10, 158, 15, SS_LEFT | WS_GROUP},
            {"BUTTON", 3, "Browse...", 192, 25, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
        });
}

TEST_F(ShippedTemplates, ProgressDialog) {
    const DialogTemplate dialog = Load(104);
    ExpectFrame(dialog, kDialogStyle | WS_VISIBLE, "Installing files", 224, 66);
    ExpectControls(dialog, {
                               {"msctls_progress32", 1000, "Progress1", 5, 35, 212, 19, WS_BORDER},
                               {"STATIC", 1001, "", 5, 9, 212, 19,
                                SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | SS_SUNKEN | WS_GROUP},
                           });
}

} // namespace
} // namespace setupkit::testing
