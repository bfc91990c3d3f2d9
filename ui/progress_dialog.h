#pragma once
// The window the payload step keeps on screen while it extracts and builds.
// It is visible from its creation on and never runs a message loop: its
// controls change only through the messages sent to them here.
#include "ui/res_dialog.h"

#include <string>

namespace setupkit {

inline constexpr int ProgressTemplate = 104;
inline constexpr int ProgressBarId = 1000;
inline constexpr int ProgressTextId = 1001;

class TProgressDialog : public TResDialog {
  public:
    TProgressDialog() : TResDialog(ProgressTemplate) {}

    // The line above the bar; ampersands show as they are.
    void SetStatusText(const std::string& text);
    // The bar runs from 0 to `total`.
    void SetRange(int total);
    void SetPosition(int done);
};

} // namespace setupkit
