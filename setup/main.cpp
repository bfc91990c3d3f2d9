#include "extract/unrar_library.h"
#include "setup/driver.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    setupkit::driver::RunSetup();
    setupkit::FreeUnrarLibrary();
    return 0;
}
