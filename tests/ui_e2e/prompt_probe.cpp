// Runs the destination step on its own, the way the setup does, and writes
// its outcome to the file named on the command line: "1" or "0" for the
// answer, then the destination on the next line. The proposal comes from
// the INSTALLDIR resource and the switch from PROMPTINSTALLDIR, both added
// by the builder like a real setup's.
#include "lib/config_resources.h"
#include "ui/select_dir.h"

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

#include <fstream>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    ::InitCommonControls();
    ::CoInitialize(nullptr);
    std::string installDir = setupkit::ReadConfigResource("INSTALLDIR");
    const bool accepted = setupkit::PromptInstallDir(installDir);
    ::CoUninitialize();
    std::ofstream(commandLine, std::ios::binary) << (accepted ? "1" : "0") << "\n" << installDir;
    return 0;
}
