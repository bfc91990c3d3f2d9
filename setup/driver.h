#pragma once
// The run of the setup program: the step runner that owns every decision
// about going on or stopping.
#include "lib/driver_state.h"

namespace setupkit::driver {

// The whole run from the naming resources to the last box. Never throws.
void RunSetup();
void RunInstallSteps();
bool ConfirmWelcome();
void RunAfterInstall();

} // namespace setupkit::driver
