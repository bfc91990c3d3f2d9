#pragma once
// Pictures of windows as the user sees them, for the main job's record.
#include <windows.h>

#include <string>

namespace setupkit::tools {

// Saves what the screen shows inside the window's frame as a 24-bit BMP file.
// False when the window is gone or the file cannot be written.
bool SaveWindowImage(HWND window, const std::string& bmpPath);

} // namespace setupkit::tools
