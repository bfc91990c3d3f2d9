#pragma once
// Where the shipped programs take their DLLs from. Windows looks for a DLL
// named without a path first in the program's own folder: a version.dll
// lying beside a downloaded setup (a browser's Downloads folder) would run
// inside it. So the programs import only kernel32 and the C runtime directly,
// everything else delay-loaded, and make RestrictDllSearch their first call:
// from then on every DLL loaded by name, and every DLL those load, comes from
// the system folder.
#include "lib/win32.h"

#include <initializer_list>
#include <string>

namespace setupkit {

// Later loads by name search the system folder only. A system without
// SetDefaultDllDirectories gets the nearest it offers: the current folder
// leaves the search, and `delayLoaded` (the program's delay-loaded DLLs, each
// before those that import it) are loaded now by their full path, so that a
// later load by name finds them already in the process.
void RestrictDllSearch(std::initializer_list<const char*> delayLoaded);

// The DLLs the shipped programs delay-load (cmake/delay_load.cmake), each
// before those that import it.
inline constexpr std::initializer_list<const char*> kDelayLoadedDlls = {
    "version.dll",  "advapi32.dll", "gdi32.dll",  "user32.dll",
    "comctl32.dll", "ole32.dll",    "shell32.dll"};

// A DLL of the system folder, by its full path; invalid when it cannot be loaded.
LoadedModule LoadSystemLibrary(const std::string& name);

} // namespace setupkit
