#pragma once
// The window that shows how far a long uninstall has got. A short one never
// shows it: it appears only once the run has taken longer than a second, and
// what it shows costs nothing per file beyond a comparison of ticks (the
// dialog itself redraws at most every few dozen milliseconds).
#include "ui/progress_dialog.h"

#include <cstddef>
#include <memory>

namespace setupkit::uninstall {

inline constexpr unsigned long kProgressDelayMs = 1000;
// The bar's range, fixed; positions are scaled to it, so any count fits.
inline constexpr int kProgressRange = 30000;

class UninstallProgress {
  public:
    UninstallProgress();
    ~UninstallProgress();
    UninstallProgress(const UninstallProgress&) = delete;
    UninstallProgress& operator=(const UninstallProgress&) = delete;

    // `done` of `total` items of the current step.
    void Show(std::size_t done, std::size_t total);

  private:
    unsigned long started_;
    std::unique_ptr<TProgressDialog> dialog_;
};

} // namespace setupkit::uninstall
