#pragma once
// Editing the IDE's help contents file: one ":Index " line per help file.
#include "lib/line_list.h"

#include <string>

namespace setupkit {

// Index of the first line whose text after its first "=" is exactly
// `helpFile`, or -1.
int FindHelpIndex(const LineList& lines, const std::string& helpFile);
// Where a new ":Index " line goes: after the first run of lines that begin
// with ":Index ", or before the first line that merely contains it, or at the end.
std::size_t HelpIndexInsertionPoint(const LineList& lines);
// Removes the first line naming `helpFile`; false when there was none.
bool RemoveHelpIndexLine(LineList& lines, const std::string& helpFile);

// The same edits on the contents file itself, which is rewritten whole with
// every other byte kept. Raise SetupError when it cannot be read or written.
void AddHelpIndex(const std::string& helpFile, const std::string& title,
                  const std::string& contentsPath);
// False when the file had no line for `helpFile` (it is then left untouched).
bool RemoveHelpIndex(const std::string& helpFile, const std::string& contentsPath);

} // namespace setupkit
