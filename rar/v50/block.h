#pragma once
// The header in front of every compressed block and the code tables a block
// may carry.
#include "rar/lz/prefix_code.h"
#include "rar/v50/bit_input.h"

#include <cstdint>

namespace rar::v50 {

// Symbols of the main table: 256 literals, a filter, a repeat of the last
// match, four repeated distances and 44 length slots.
constexpr unsigned kMainSymbols = 306;
constexpr unsigned kFilterSymbol = 256;
constexpr unsigned kRepeatLastSymbol = 257;
constexpr unsigned kRepeatDistanceSymbol = 258;
constexpr unsigned kFirstLengthSymbol = 262;
constexpr unsigned kDistanceSymbols = 64;
constexpr unsigned kExtendedDistanceSymbols = 80;
constexpr unsigned kLowDistanceSymbols = 16;
constexpr unsigned kLengthSymbols = 44;

struct BlockHeader {
    std::uint64_t endBit = 0; // absolute bit position just past the block
    bool last = false;        // the entry's data ends with this block
    bool tablesPresent = false;
};

// Lengths that claim more codes than exist, and a pattern no code covers,
// are corrupt data. The main code, with the most symbols, looks up more bits
// at once.
using MainCode = lz::PrefixCode<lz::Unassigned::Refuse, 10>;
using SmallCode = lz::PrefixCode<lz::Unassigned::Refuse, 7>;

struct CodeTables {
    MainCode main;
    SmallCode distance;
    SmallCode lowDistance;
    SmallCode length;
};

// Reads a block header from the next byte boundary; throws DataError when
// its checksum or size field is wrong.
BlockHeader ReadBlockHeader(BitInput& in);

// Reads the code-length tables that follow a header with tablesPresent.
void ReadTables(BitInput& in, bool extendedDistances, CodeTables& tables);

} // namespace rar::v50
