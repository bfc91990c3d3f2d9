#pragma once
// Message boxes of the setup: never owned by a window; only OK is consent.
#include <windows.h>

#include <string>

namespace setupkit {

// OK and Cancel; true only when the user chose OK.
bool AskOk(const std::string& text, const std::string& caption, UINT icon);
// OK alone.
void ShowMessage(const std::string& text, const std::string& caption, UINT icon);

} // namespace setupkit
