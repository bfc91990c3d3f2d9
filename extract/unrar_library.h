#pragma once
// The extraction library, loaded at run time from the file the payload step
// spilled it to (or, failing that, by name), and the four calls the archive
// walker makes through it.
#include "rar/api/unrar.h"

#include <string>

namespace setupkit {

// Loads the library from `path` and resolves its entry points by name;
// raises "Can't load UNRAR.DLL" when it cannot be loaded.
void LoadUnrarLibrary(const std::string& path);
// Loads "unrar.dll" by name when no library is loaded yet.
void EnsureUnrarLibrary();
// Unloads the library if one is loaded; also called at process end.
void FreeUnrarLibrary();

HANDLE UnrarOpenArchive(RAROpenArchiveData& data);
// Never raises: a library without RARCloseArchive leaves the archive open.
void UnrarCloseArchive(HANDLE archive) noexcept;
int UnrarReadHeader(HANDLE archive, RARHeaderData& header);
int UnrarProcessFile(HANDLE archive, int operation, const char* destPath, const char* destName);

} // namespace setupkit
