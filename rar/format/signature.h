#pragma once
// Finding where an archive starts: at the file's beginning, or behind a
// self-extracting module.
#include "rar/format/input_file.h"

#include <cstdint>

namespace rar {

// Where a signature begins within the first bytes of a file, and which one.
struct Signature {
    enum Kind { None, Rar14, Rar15, Rar50 } kind = None;
    std::uint64_t offset = 0;
};
// Looks at `offset` and beyond for the next signature, within a bounded
// stretch so that a large file that is no archive is not read whole.
Signature FindSignature(InputFile& file, std::uint64_t offset);

} // namespace rar
