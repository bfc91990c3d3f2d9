// UnInstall.exe: removes an installation that a setup recorded. See
// command_line.h for the two ways it is started.
#include "lib/system_dlls.h"
#include "uninstall/command_line.h"
#include "uninstall/self_removal.h"
#include "uninstall/uninstaller.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before any call into a DLL but kernel32: those load it (lib/system_dlls.h).
    setupkit::RestrictDllSearch(setupkit::kDelayLoadedDlls);
    using namespace setupkit::uninstall;
    const std::vector<std::string> arguments = SplitCommandLine(::GetCommandLineA());
    if (const std::optional<FinishOrder> order = ParseFinishOrder(arguments))
        FinishSelfRemoval(*order);
    else
        RunUninstall(ApplicationName(arguments));
    return 0;
}
