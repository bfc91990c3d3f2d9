#include "ui/progress_dialog.h"

#include <commctrl.h>

namespace setupkit {

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
