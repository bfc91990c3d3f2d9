#pragma once
// The fixed codes of the method: codes of growing length, each length
// covering a run of consecutive values.
#include "rar/lz/bit_reader.h"

namespace rar::v15 {

// The decoder checks for an overrun after every step, and a step reads a
// bounded number of bits.
using BitReader = lz::BitReader<lz::NeverStop>;

struct StepCode {
    unsigned shortest;           // bits of the shortest code
    const std::uint16_t* limits; // first 16-bit prefix of each longer length; 0xffff ends
    const std::uint16_t* bases;  // first value of each code length, by length
};

// The tables are reached through functions: the library is linked both into
// a shared library and beside it in tests, and data symbols would be doubled.
const StepCode& LengthCodeA();
const StepCode& LengthCodeB();
// Place codes, from flat (0) to steep (4): the steeper, the more the first
// places of a ranked set dominate.
const StepCode& PlaceCode(unsigned steepness);

// Reads one value; at most 256 (some codes have 257 values).
unsigned ReadStep(BitReader& in, const StepCode& code);

} // namespace rar::v15
