#pragma once
// Modeless dialogs made from the setup's own dialog templates. One dialog
// procedure serves every window: the object comes with WM_INITDIALOG, is
// bound to its window there, and gets every message from then on.
#include "lib/win32.h"

#include <exception>
#include <vector>

namespace setupkit {

// One message as the dialog procedure received it.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

class TResDialog {
  public:
    // Creates the dialog from template `templateId` of the program's own
    // module, with no owner. Whether it shows at once is the template's choice.
    explicit TResDialog(int templateId);
    virtual ~TResDialog();
    TResDialog(const TResDialog&) = delete;
    TResDialog& operator=(const TResDialog&) = delete;

    // Shows the dialog and runs the program's message loop until OK or
    // Cancel; true for OK. A WM_QUIT taken by the loop ends it too (false
    // unless OK came first) and is not posted again.
    bool Execute();

    // Set when the window's WM_INITDIALOG binds it to the object; messages
    // before that one (WM_SETFONT) find no object.
    HWND Handle = nullptr;
    bool Finished = false;
    bool DialogResult = false;

  protected:
    // WM_INITDIALOG of the window's creation arrives while TResDialog's own
    // constructor runs, so it reaches TResDialog's handlers; a derived class
    // sets its controls up in its constructor, and its overrides see later ones.
    virtual void InitDialog() {}
    // Routes a message to its handler by message number; others are ignored.
    virtual void Dispatch(TMessage& message);
    virtual void WMInitDialog(TMessage& message);
    virtual void WMCommand(TMessage& message);

  private:
    friend INT_PTR CALLBACK ResDialogProc(HWND, UINT, WPARAM, LPARAM);

    UniqueWindow window_;
    // An error raised by a handler cannot cross the system's dialog code; it
    // waits here until the message loop can raise it again.
    std::exception_ptr pendingError_;
};

// The live dialogs in order of creation.
const std::vector<TResDialog*>& DialogInstances();

INT_PTR CALLBACK ResDialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace setupkit
