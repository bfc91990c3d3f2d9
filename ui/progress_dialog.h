#pragma once
// The window the payload step keeps on screen while it extracts and builds.
// It is visible from its creation on and never runs a message loop: its
// controls change only through the messages sent to them here.
#include "ui/res_dialog.h"

#include <string>

namespace setupkit {

inline constexpr int kProgressTemplate = 104;
inline constexpr int kProgressBarId = 1000;
inline constexpr int kProgressTextId = 1001;

// Without a message loop nothing coalesces the controls' repaints: each
// change is drawn at once, and under Wine each drawing is a round trip to the
// display. Changes of the text and the position are therefore shown at most
// every kPaintIntervalMs; the first is shown at once, and ShowLatest shows
// whatever is still waiting.
inline constexpr unsigned long kPaintIntervalMs = 40;

class TProgressDialog : public TResDialog {
  public:
    TProgressDialog();

    // The line above the bar; ampersands show as they are.
    void SetStatusText(const std::string& text);
    // The bar runs from 0 to `total`; shown at once.
    void SetRange(int total);
    void SetPosition(int done);
    // The text and the position of one moment, shown together or not at all.
    void SetStatus(const std::string& text, int done);
    // Shows the latest text and position now, however recent the last showing.
    void ShowLatest();

  private:
    void ShowIfDue();

    std::string text_;
    int position_ = 0;
    bool textWaiting_ = false;
    bool positionWaiting_ = false;
    bool shownOnce_ = false;
    DWORD lastShown_ = 0;
};

} // namespace setupkit
