// UnInstall.exe: removes an installation that a setup recorded. See
// command_line.h for the two ways it is started.
#include "uninstall/command_line.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstaller.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace setupkit::uninstall;
    const std::vector<std::string> arguments = SplitCommandLine(::GetCommandLineA());
    if (const std::optional<FinishOrder> order = ParseFinishOrder(arguments))
        FinishSelfRemoval(*order);
    else
        RunUninstall(ApplicationName(arguments));
    return 0;
}
