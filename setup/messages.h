#pragma once
// Every text the driver shows, exactly as the user sees it.

namespace setupkit::messages {

// Where users are sent when an installation goes wrong, and where the IDE's
// maker offers the patches that bring an IDE to the version we build for.
inline constexpr const char* SupportAddress = "support@setupkit.example";
inline constexpr const char* DelphiPatchAddress = "https://patches.setupkit.example/delphi/";
inline constexpr const char* CppBuilderPatchAddress =
    "https://patches.setupkit.example/cppbuilder/";

inline constexpr const char* PreviousVersionText =
    "Setup has detected that previous version of %s is already installed. It is highly "
    "recommended that you uninstall previous version before you can install %s.\r\n\r\n"
    "Press the OK button to continue the installation.\r\n"
    "Press the Cancel button to abort the installation.";
inline constexpr const char* PreviousVersionCaption = "Installation Error";

inline constexpr const char* RunningIdeText =
    "You have one or more of the following applications running. It is highly recommended "
    "that you shut down these applications before you can install %s.\r\n\r\n"
    "Borland Delphi\r\nBorland C++ Builder\r\n";
inline constexpr const char* RunningIdeCaption = "Installation Warning";

inline constexpr const char* IncompatibleIdeText =
    "Incompatible version of Delphi/CPB.\r\nPlease download the latest patch from\r\n";
inline constexpr const char* SetupCaption = "Setup";

inline constexpr const char* WelcomeText =
    "This program will install '%s' onto your computer. \r\n"
    "Press the OK button to start the installation.\r\n"
    "You can press the Cancel button if you do not want to install this software.";
inline constexpr const char* WelcomeCaption = "Welcome!";

inline constexpr const char* PayloadFailedText =
    "An error occured during installation.\r\nPlease contact ";
inline constexpr const char* RunAfterInstallText = "Would you like to run %s right now?";
inline constexpr const char* CompletedText = "Installation completed.";
inline constexpr const char* FailedText = "Installation failed.";
inline constexpr const char* FailedCaption = "An error occured during installation.";
// Put before the cause of a failure in the debugger's output; never shown.
inline constexpr const char* FailureCauseTrace = "setup failed: ";

} // namespace setupkit::messages
