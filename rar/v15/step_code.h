#pragma once
// The fixed codes of the method: codes of growing length, each length
// covering a run of consecutive values.
#include "rar/v15/bit_input.h"

namespace rar::v15 {

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
unsigned ReadStep(BitInput& in, const StepCode& code);

} // namespace rar::v15
