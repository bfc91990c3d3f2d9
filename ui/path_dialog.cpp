#include "ui/path_dialog.h"

#include "lib/path.h"
#include "lib/win32.h"

#include <shlobj.h>

namespace setupkit {

namespace {

constexpr UINT kBrowseFlagTable[] = {
    BIF_BROWSEFORCOMPUTER, // pdfBrowseForComputer
    BIF_BROWSEFORPRINTER,  // pdfBrowseForPrinter
    BIF_DONTGOBELOWDOMAIN, // pdfDontGoBelowDomain
    BIF_RETURNFSANCESTORS, // pdfReturnfsAncestors
    BIF_RETURNONLYFSDIRS,  // pdfReturnOnlyFSDirs
};

constexpr int kSpecialFolderTable[] = {
    CSIDL_DESKTOP,          // pdrNone: the desktop, never a null root
    CSIDL_BITBUCKET,        // pdrBitBucket
    CSIDL_CONTROLS,         // pdrControls
    CSIDL_DESKTOP,          // pdrDesktop
    CSIDL_DESKTOPDIRECTORY, // pdrDesktopDirectory
    CSIDL_DRIVES,           // pdrDrives
    CSIDL_FONTS,            // pdrFonts
    CSIDL_NETHOOD,          // pdrNetHood
    CSIDL_NETWORK,          // pdrNetwork
    CSIDL_PERSONAL,         // pdrPersonal
    CSIDL_PRINTERS,         // pdrPrinters
    CSIDL_PROGRAMS,         // pdrPrograms
    CSIDL_RECENT,           // pdrRecent
    CSIDL_SENDTO,           // pdrSendto
    CSIDL_STARTMENU,        // pdrStartmenu
    CSIDL_STARTUP,          // pdrStartup
    CSIDL_TEMPLATES,        // pdrTemplates
};
static_assert(sizeof(kSpecialFolderTable) / sizeof(int) == pdrTemplates + 1);

std::string CurrentFolder() {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, buffer);
    return length < MAX_PATH ? std::string(buffer, length) : std::string();
}

} // namespace

UINT BrowseFlagsOf(TKVPathDialogFlags flags) {
    UINT result = 0;
    for (int flag = pdfBrowseForComputer; flag <= pdfReturnOnlyFSDirs; ++flag)
        if (flags.Contains(static_cast<TKVPathDialogFlag>(flag)))
            result |= kBrowseFlagTable[flag];
    return result;
}

int SpecialFolderOf(TKVPathDialogRoot root) {
    return kSpecialFolderTable[root];
}

void TKVPathDialog::SetSelectedItem(const std::string& value) {
    if (value.empty())
        selectedItem_ = CurrentFolder();
    else
        selectedItem_ = path::RemoveBackslash(value);
    if (BrowseHandle)
        ::SendMessageA(BrowseHandle, BFFM_SETSELECTIONA, TRUE,
                       reinterpret_cast<LPARAM>(selectedItem_.c_str()));
}

int CALLBACK TKVPathDialog::BrowseCallback(HWND window, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) {
        auto* self = reinterpret_cast<TKVPathDialog*>(data);
        self->BrowseHandle = window;
        // Through the setter, so that the open browser moves there.
        self->SetSelectedItem(self->selectedItem_);
    }
    return 0;
}

bool TKVPathDialog::Execute() {
    char displayName[MAX_PATH] = {};

    ShellItemList root;
    // A root that cannot be resolved leaves whatever the shell gave back.
    ::SHGetSpecialFolderLocation(nullptr, SpecialFolderOf(Root), root.Put());

    BROWSEINFOA info = {};
    info.hwndOwner = ParentWindow;
    info.pidlRoot = root.Get();
    info.pszDisplayName = displayName;
    info.lpszTitle = Title.c_str();
    info.ulFlags = BrowseFlagsOf(Flags);
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    const ShellItemList chosen(::SHBrowseForFolderA(&info));
    BrowseHandle = nullptr;
    if (!chosen.Get())
        return false;
    selectedItem_ = displayName;
    char path[MAX_PATH] = {};
    if (::SHGetPathFromIDListA(chosen.Get(), path))
        selectedItem_ = path;
    return true;
}

bool BrowseForFolder(const std::string& title, std::string& path, HWND owner) {
    TKVPathDialog dialog;
    dialog.SetSelectedItem(path);
    dialog.ParentWindow = owner;
    dialog.Title = title;
    if (!dialog.Execute())
        return false;
    path = dialog.SelectedItem();
    return true;
}

} // namespace setupkit
