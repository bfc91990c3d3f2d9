#pragma once
// The text files the setup edits (the IDE's help contents file, the product
// include file): read whole as lines split at CR, LF or CR LF with every
// other byte kept, and written back whole, every line followed by CR LF.
#include "lib/line_list.h"

#include <string>

namespace setupkit {

// Raises SetupError when the file cannot be read.
LineList ReadTextFileLines(const std::string& path);
// Raises SetupError when the file cannot be written.
void WriteTextFileLines(const std::string& path, const LineList& lines);

} // namespace setupkit
