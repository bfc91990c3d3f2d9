#include "ui/progress_dialog.h"

#include "lib/win32.h"

#include <commctrl.h>

namespace setupkit {
namespace {

using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// Windows draws the controls of a program without a manifest in the classic
// look, but Wine themes them: the bar is then stretched from the theme's
// bitmaps in halftone on every change, some two milliseconds a time. A theme
// that names no class keeps the bar classic, as on Windows. A control can be
// themed only when the theme library is loaded, and systems before it lack
// it, so it is looked up rather than imported.
void KeepClassicLook(HWND control) {
    const HMODULE themes = ::GetModuleHandleA("uxtheme.dll");
    const auto setTheme =
        themes ? ProcAddress<SetWindowThemeFn>(themes, "SetWindowTheme") : nullptr;
    if (setTheme)
        setTheme(control, L" ", L" ");
}

} // namespace

TProgressDialog::TProgressDialog() : TResDialog(kProgressTemplate) {
    KeepClassicLook(::GetDlgItem(Handle, kProgressBarId));
}

void TProgressDialog::SetStatusText(const std::string& text) {
    text_ = text;
    textWaiting_ = true;
    ShowIfDue();
}

void TProgressDialog::SetRange(int total) {
    ::SendDlgItemMessageA(Handle, kProgressBarId, PBM_SETRANGE32, 0, total);
}

void TProgressDialog::SetPosition(int done) {
    position_ = done;
    positionWaiting_ = true;
    ShowIfDue();
}

void TProgressDialog::SetStatus(const std::string& text, int done) {
    text_ = text;
    position_ = done;
    textWaiting_ = positionWaiting_ = true;
    ShowIfDue();
}

void TProgressDialog::ShowIfDue() {
    if (!shownOnce_ || ::GetTickCount() - lastShown_ >= kPaintIntervalMs)
        ShowLatest();
}

void TProgressDialog::ShowLatest() {
    if (textWaiting_)
        ::SendDlgItemMessageA(Handle, kProgressTextId, WM_SETTEXT, 0,
                              reinterpret_cast<LPARAM>(text_.c_str()));
    if (positionWaiting_)
        ::SendDlgItemMessageA(Handle, kProgressBarId, PBM_SETPOS, position_, 0);
    textWaiting_ = positionWaiting_ = false;
    shownOnce_ = true;
    lastShown_ = ::GetTickCount();
}

} // namespace setupkit
