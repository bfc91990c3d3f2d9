#pragma once
// Which standard icon a window shows. Another process's icon handle means
// nothing here, so the robot compares what is on the screen with the system
// icons drawn the same way.
#include "tests/robot/robot.h"

namespace setupkit::robot {

bool IsIconStatic(DWORD style);
// Icon::None when the window has no icon control; Icon::Unknown when the
// picture matches none of the standard icons.
Icon RecognizeIcon(HWND window);

} // namespace setupkit::robot
