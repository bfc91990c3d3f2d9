#pragma once
// Files in the system's temporary folder; lib/win32.h's TempFile deletes them.
#include "lib/win32.h"

#include <string>

namespace setupkit {

// The system's temporary folder, without a trailing backslash unless it is a
// drive root; empty when the system reports none or one too long for MAX_PATH.
std::string GetTempFolder();
// What GetTempFolder makes of GetTempPath's answer: `length` as reported for
// `buffer`, which holds MAX_PATH characters.
std::string TempFolderFromAnswer(const char* buffer, DWORD length);
// Creates a new empty file in the temporary folder; empty text on failure.
std::string MakeTempFileName(const std::string& prefix);

} // namespace setupkit
