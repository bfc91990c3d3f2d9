#pragma once
// The shell's folder browser as a reusable component, and the one call the
// destination dialog makes of it.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

namespace setupkit {

enum TKVPathDialogFlag : std::uint8_t {
    pdfBrowseForComputer,
    pdfBrowseForPrinter,
    pdfDontGoBelowDomain,
    pdfReturnfsAncestors,
    pdfReturnOnlyFSDirs,
};

// A set of TKVPathDialogFlag: bit n stands for the flag of ordinal n.
class TKVPathDialogFlags {
  public:
    constexpr TKVPathDialogFlags() = default;
    constexpr TKVPathDialogFlags(std::initializer_list<TKVPathDialogFlag> flags) {
        for (TKVPathDialogFlag flag : flags)
            bits_ |= static_cast<std::uint8_t>(1u << flag);
    }
    constexpr bool Contains(TKVPathDialogFlag flag) const { return bits_ & (1u << flag); }
    constexpr std::uint8_t Bits() const { return bits_; }
    constexpr bool operator==(TKVPathDialogFlags other) const { return bits_ == other.bits_; }

  private:
    std::uint8_t bits_ = 0;
};

enum TKVPathDialogRoot : std::uint8_t {
    pdrNone,
    pdrBitBucket,
    pdrControls,
    pdrDesktop,
    pdrDesktopDirectory,
    pdrDrives,
    pdrFonts,
    pdrNetHood,
    pdrNetwork,
    pdrPersonal,
    pdrPrinters,
    pdrPrograms,
    pdrRecent,
    pdrSendto,
    pdrStartmenu,
    pdrStartup,
    pdrTemplates,
};

// The browser flags (BIF_...) that a set of flags stands for.
UINT BrowseFlagsOf(TKVPathDialogFlags flags);
// The special folder (CSIDL_...) that becomes the browser's root.
int SpecialFolderOf(TKVPathDialogRoot root);

class TKVPathDialog {
  public:
    // The component has no owner: whoever creates it frees it.
    TKVPathDialog() = default;
    TKVPathDialog(const TKVPathDialog&) = delete;
    TKVPathDialog& operator=(const TKVPathDialog&) = delete;

    // Runs the browser, modal to ParentWindow; true when the user chose an
    // item, which SelectedItem then holds (its path when it has one).
    bool Execute();

    const std::string& SelectedItem() const { return selectedItem_; }
    // Empty means the current folder; one trailing backslash is dropped.
    // An open browser moves its selection there.
    void SetSelectedItem(const std::string& value);

    std::string Title;
    HWND BrowseHandle = nullptr;
    HWND ParentWindow = nullptr;
    TKVPathDialogRoot Root = pdrNone;
    TKVPathDialogFlags Flags{pdfReturnOnlyFSDirs};

  private:
    static int CALLBACK BrowseCallback(HWND window, UINT msg, LPARAM lParam, LPARAM data);

    std::string selectedItem_;
};

// Lets the user pick a folder in the shell's browser, opened on `path`.
// True with the chosen folder in `path`; false leaves `path` alone.
bool BrowseForFolder(const std::string& title, std::string& path, HWND owner);

} // namespace setupkit
