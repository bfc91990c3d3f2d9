#pragma once
// Whole files and the questions the setup asks of the disk.
#include <string>

#ifdef _WIN32
#include "lib/win32.h"
#endif

namespace setupkit::file {

// The file's bytes, all of them; false when it cannot be opened or read.
bool ReadAll(const std::string& path, std::string& bytes);
// Replaces the file with one holding `bytes`, whole or not at all: the bytes
// go to a new file beside it, which is flushed to the disk and then renamed
// over it. False, with the file as it was, when any of that fails.
bool WriteAll(const std::string& path, const std::string& bytes);

#ifdef _WIN32
// A file, not a folder, exists at `path`.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Another process may hold a file a moment after the program it was handed
// to has ended (the console host of a console program started from a program
// without a console does). These retry while the file is in use, for a few
// seconds at most, and then give up as the plain calls would.
UniqueHandle OpenFileWhenFree(const std::string& path);
bool DeleteFileWhenFree(const std::string& path);
#endif

} // namespace setupkit::file
