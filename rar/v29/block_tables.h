#pragma once
// The four prefix codes of an LZ block and how a block header transmits them:
// code lengths coded themselves, as differences from the previous block's
// lengths unless the header says to start afresh.
#include "rar/lz/bit_reader.h"
#include "rar/lz/prefix_code.h"

#include <array>
#include <cstdint>

namespace rar::v29 {

// The decoder checks for an overrun when the entry ends; until then refilling
// stops it once the padding loaded shows it consumed bits the entry lacks.
using BitReader = lz::BitReader<lz::StopAfterPaddingLoaded<16>>;

// Damaged data builds incomplete and oversubscribed codes too; they decode as
// the format's own tables do.
using PrefixCode = lz::PrefixCode<lz::Unassigned::FirstSymbol>;

constexpr unsigned kMainSymbols = 299; // literals, markers, old distances, lengths
constexpr unsigned kDistanceSymbols = 60;
constexpr unsigned kLowDistanceSymbols = 17;
constexpr unsigned kLengthSymbols = 28;
constexpr unsigned kTableSymbols =
    kMainSymbols + kDistanceSymbols + kLowDistanceSymbols + kLengthSymbols;

struct BlockTables {
    PrefixCode main;
    PrefixCode distance;
    PrefixCode lowDistance;
    PrefixCode length;
    // The lengths the last block sent, kept for the next block's differences.
    std::array<std::uint8_t, kTableSymbols> lengths{};

    // Reads the code lengths that follow the block header's two flag bits;
    // `keepOld`: they are differences from the previous block's.
    void Read(BitReader& in, bool keepOld);
};

} // namespace rar::v29
