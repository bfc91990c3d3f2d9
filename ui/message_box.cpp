#include "ui/message_box.h"

namespace setupkit {

bool AskOk(const std::string& text, const std::string& caption, UINT icon) {
    return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OKCANCEL | icon) == IDOK;
}

void ShowMessage(const std::string& text, const std::string& caption, UINT icon) {
    ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

} // namespace setupkit
