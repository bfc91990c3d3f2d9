#pragma once
// Every text the driver shows, exactly as the user sees it; the caption of a
// failure is shared with the IDE steps below it.
#include "ide/messages.h"

namespace setupkit::messages {

// Where users are sent when an installation goes wrong, and where the IDE's
// maker offers the patches that bring an IDE to the version we build for.
inline constexpr const char* kSupportAddress = "support@setupkit.example";
inline constexpr const char* kDelphiPatchAddress = "https://patches.setupkit.example/delphi/";
inline constexpr const char* kCppBuilderPatchAddress =
    "https://patches.setupkit.example/cppbuilder/";

inline constexpr const char* kPreviousVersionText =
    "Setup has detected that previous version of %s is already installed. It is highly "
    "recommended that you uninstall previous version before you can install %s.\r\n\r\n"
    "Press the OK button to continue the installation.\r\n"
    "Press the Cancel button to abort the installation.";
inline constexpr const char* kPreviousVersionCaption = "Installation Error";

inline constexpr const char* kRunningIdeText =
    "You have one or more of the following applications running. It is highly recommended "
    "that you shut down these applications before you can install %s.\r\n\r\n"
    "Borland Delphi\r\nBorland C++ Builder\r\n";
inline constexpr const char* kRunningIdeCaption = "Installation Warning";

inline constexpr const char* kIncompatibleIdeText =
    "Incompatible version of Delphi/CPB.\r\nPlease download the latest patch from\r\n";
inline constexpr const char* kSetupCaption = "Setup";

inline constexpr const char* kWelcomeText =
    "This program will install '%s' onto your computer. \r\n"
    "Press the OK button to start the installation.\r\n"
    "You can press the Cancel button if you do not want to install this software.";
inline constexpr const char* kWelcomeCaption = "Welcome!";

inline constexpr const char* kPayloadFailedText =
    "An error occured during installation.\r\nPlease contact ";
inline constexpr const char* kRunAfterInstallText = "Would you like to run %s right now?";
inline constexpr const char* kCompletedText = "Installation completed.";
inline constexpr const char* kFailedText = "Installation failed.";
// Put before the cause of a failure in the debugger's output; never shown.
inline constexpr const char* kFailureCauseTrace = "setup failed: ";

} // namespace setupkit::messages
