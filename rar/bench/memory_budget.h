#pragma once
// What decoding an archive may cost in memory: the largest dictionary window
// the reader sets up for one of its entries, plus the PPMd model a stream
// asks for, plus a fixed allowance for everything else.
#include "rar/format/entry.h"

#include <cstdint>
#include <istream>

namespace rar::bench {

constexpr std::uint64_t kBudgetAllowance = 1 << 20;
// A PPMd block states its model size in whole megabytes, one byte's worth.
constexpr std::uint64_t kLargestPpmdModel = std::uint64_t{256} << 20;

// The window the reader allocates for a packed entry. An entry that starts
// a fresh stream needs no more than its own size, rounded up to a power of
// two of at least 256 KB; one inside a solid stream needs the whole dictionary.
std::uint64_t WindowNeeded(const Entry& entry, bool solidArchive);

// The PPMd model size in bytes declared by the block that opens a packed
// 2.9 entry of its own (not continuing a solid stream); 0 when that block is
// not a PPMd block starting a new model. `archive` is the archive file.
std::uint64_t DeclaredPpmdModel(std::istream& archive, const Entry& entry);

} // namespace rar::bench
