#pragma once
// The library's units\prod.inc: its DEFINE lines switch the family's products
// on for the compiler. The rewrite changes only those lines, in place.
#include "lib/line_list.h"

#include <string>

namespace setupkit {

struct DefineLine {
    bool isDefine = false;
    bool commented = false;
    std::string symbol;
};

// Recognises `[blanks][//][blanks]{$DEFINE[blanks]symbol...`.
DefineLine ParseDefineLine(const std::string& line);
std::string RemoveSpaces(const std::string& text);
// Rewrites every DEFINE line before the "{$I kv.inc}" line: active when its
// symbol names one of `subProducts` (spaces removed), commented out otherwise.
// The whole file is written back with CR LF line ends. Raises SetupError when
// the file cannot be read or written.
void MergeProductInclude(const std::string& path, const LineList& subProducts);

// Merges the family's recorded products into `installDir`\units\prod.inc when
// that file exists; nothing happens for an empty family or folder, or a
// missing file.
void UpdateProductInclude(const std::string& productName, const std::string& installDir);

} // namespace setupkit
