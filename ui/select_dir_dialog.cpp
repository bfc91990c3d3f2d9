#include "ui/select_dir_dialog.h"

#include "lib/path.h"
#include "ui/path_dialog.h"
#include "ui/texts.h"

namespace setupkit {

std::string TSelectDirDialog::Directory() const {
    const auto length = static_cast<std::size_t>(
        ::SendDlgItemMessageA(Handle, kFolderEditId, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length, '\0');
    if (length != 0) {
        const auto copied = ::SendDlgItemMessageA(Handle, kFolderEditId, WM_GETTEXT, length + 1,
                                                  reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(copied));
    }
    return text;
}

void TSelectDirDialog::SetDirectory(const std::string& directory) {
    ::SendDlgItemMessageA(Handle, kFolderEditId, WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(directory.c_str()));
}

void TSelectDirDialog::WMCommand(TMessage& message) {
    const bool clicked = HIWORD(message.WParam) == 0;
    // OK on a folder that is not rooted asks again, with the box open and its
    // text selected: such a folder would be taken from the setup's current one.
    // The folder is judged as the setup takes it, with its backslash added, so
    // that a drive's root written as the records write it ("C:") is rooted.
    if (clicked && LOWORD(message.WParam) == IDOK &&
        !path::IsRootedPath(path::AddBackslash(Directory()))) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ::SendMessageA(Handle, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(::GetDlgItem(Handle, kFolderEditId)), TRUE);
        return;
    }
    TResDialog::WMCommand(message);
    if (!clicked || LOWORD(message.WParam) != kBrowseButtonId)
        return;
    std::string path = Directory();
    if (BrowseForFolder(texts::kBrowseTitle, path, Handle))
        SetDirectory(path);
}

} // namespace setupkit
