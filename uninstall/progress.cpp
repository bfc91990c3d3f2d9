#include "uninstall/progress.h"

#include "uninstall/messages.h"

#include <commctrl.h>

namespace setupkit::uninstall {

UninstallProgress::UninstallProgress() : started_(::GetTickCount()) {}

UninstallProgress::~UninstallProgress() = default;

void UninstallProgress::Show(std::size_t done, std::size_t total) {
    if (!dialog_) {
        if (::GetTickCount() - started_ < kProgressDelayMs)
            return;
        ::InitCommonControls();
        dialog_ = std::make_unique<TProgressDialog>();
        dialog_->SetStatusText(messages::kProgressText);
        dialog_->SetRange(kProgressRange);
    }
    const double share = total ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    dialog_->SetPosition(static_cast<int>(share * kProgressRange));
}

} // namespace setupkit::uninstall
