#include "ui/progress_dialog.h"

#include <commctrl.h>

namespace setupkit {

void TProgressDialog::SetStatusText(const std::string& text) {
    ::SendDlgItemMessageA(Handle, ProgressTextId, WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(text.c_str()));
}

void TProgressDialog::SetRange(int total) {
    ::SendDlgItemMessageA(Handle, ProgressBarId, PBM_SETRANGE32, 0, total);
}

void TProgressDialog::SetPosition(int done) {
    ::SendDlgItemMessageA(Handle, ProgressBarId, PBM_SETPOS, done, 0);
}

} // namespace setupkit
