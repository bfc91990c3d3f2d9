#include "ui/res_dialog.h"

#include <algorithm>

namespace setupkit {

namespace {

std::vector<TResDialog*>& LiveDialogs() {
    static std::vector<TResDialog*> dialogs;
    return dialogs;
}

} // namespace

const std::vector<TResDialog*>& DialogInstances() {
    return LiveDialogs();
}

INT_PTR CALLBACK ResDialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG && lParam && !::GetWindowLongPtrA(window, DWLP_USER)) {
        auto* dialog = reinterpret_cast<TResDialog*>(lParam);
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->Handle = window;
    }
    auto* dialog = reinterpret_cast<TResDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (dialog) {
        TMessage message{msg, wParam, lParam, 0};
        try {
            dialog->Dispatch(message);
        } catch (...) {
            dialog->pendingError_ = std::current_exception();
        }
    }
    // The dialog manager's own handling applies to every message.
    return 0;
}

TResDialog::TResDialog(int templateId) {
    LiveDialogs().push_back(this);
    window_.Reset(::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                       nullptr, ResDialogProc, reinterpret_cast<LPARAM>(this)));
}

TResDialog::~TResDialog() {
    auto& dialogs = LiveDialogs();
    dialogs.erase(std::find(dialogs.begin(), dialogs.end(), this));
    // The messages of the window's destruction find no object, as those
    // before its binding did.
    if (Handle)
        ::SetWindowLongPtrA(Handle, DWLP_USER, 0);
    window_.Reset();
}

bool TResDialog::Execute() {
    ::ShowWindow(Handle, SW_SHOWDEFAULT);
    MSG msg;
    // Finished is seen only when the message after the OK or Cancel arrives;
    // that message is dropped, and so is a WM_QUIT.
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0 && !Finished) {
        if (!::IsDialogMessageA(Handle, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (pendingError_)
            std::rethrow_exception(std::exchange(pendingError_, nullptr));
    }
    return DialogResult;
}

void TResDialog::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_INITDIALOG:
        WMInitDialog(message);
        break;
    case WM_COMMAND:
        WMCommand(message);
        break;
    default:
        break;
    }
}

void TResDialog::WMInitDialog(TMessage&) {
    InitDialog();
}

void TResDialog::WMCommand(TMessage& message) {
    const WORD code = HIWORD(message.WParam);
    const WORD id = LOWORD(message.WParam);
    if (code != 0 || (id != IDOK && id != IDCANCEL))
        return;
    Finished = true;
    DialogResult = id == IDOK;
}

} // namespace setupkit
