#pragma once
// The uninstaller's two command lines:
//
//   UnInstall.exe "Application Name"
//       removes the installation that the uninstall entry of that name
//       describes; this is the command every setup registers.
//   <temporary copy> /finish PROCESS "C:\...\UnInstall.exe" "C:\...\folder" ...
//       started by the uninstaller for itself: once the process whose
//       inherited handle is PROCESS has ended, deletes the program and then
//       the folders, deepest first, each when it is empty.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupkit::uninstall {

// Splits at blanks; a double quote starts or ends a quoted part, in which
// blanks are text. Backslashes are plain characters, as in the paths the
// setup writes. The program comes first.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The application name: every argument after the program, joined by one
// blank, so that a name typed without quotes is found too.
std::string ApplicationName(const std::vector<std::string>& arguments);

struct FinishOrder {
    std::uintptr_t process = 0;
    std::string program;
    std::vector<std::string> folders;
};

std::string FinishCommandLine(const std::string& copy, const FinishOrder& order);
// The order of a /finish command line; nothing for any other command line.
std::optional<FinishOrder> ParseFinishOrder(const std::vector<std::string>& arguments);

} // namespace setupkit::uninstall
