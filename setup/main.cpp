#include "extract/unrar_library.h"
#include "lib/free_hook.h"
#include "lib/system_dlls.h"
#include "setup/driver.h"

#include <cstdlib>

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before any call into a DLL but kernel32: those load it (lib/system_dlls.h).
    setupkit::RestrictDllSearch(setupkit::kDelayLoadedDlls);
    // The hook goes in before the driver or the dialog layer allocate
    // anything and comes out at process end. Exit handlers and the
    // destructors of statics run in the reverse order of their registration,
    // so everything set up after this point (the list of live dialogs among
    // it) is torn down before the hook is removed.
    setupkit::InstallFreeHook();
    // Should the exit handler not be accepted, the hook simply stays in place
    // until the process is gone, which harms nothing.
    std::atexit(setupkit::RemoveFreeHook);
    setupkit::driver::RunSetup();
    setupkit::FreeUnrarLibrary();
    return 0;
}
