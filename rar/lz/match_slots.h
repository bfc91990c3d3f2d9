#pragma once
// How the 2.0 and 2.9 methods spell a match: a slot (a prefix-code symbol)
// gives a base value and a count of extra bits that follow it. Both methods,
// and any encoder that writes them, read these one set of tables. They have
// internal linkage, like each decoder's own constants: the library is linked
// both into a shared library and beside it in tests, and data symbols would
// be doubled.
#include <array>
#include <cstdint>

namespace rar::lz {

// Match lengths: eight single lengths, then four slots for each width from
// 1 to 5 bits. The decoder adds its method's minimum length to the base.
constexpr unsigned kLengthSlots = 28;
constexpr std::uint8_t kLengthBase[kLengthSlots] = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                    12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                    64, 80, 96, 112, 128, 160, 192, 224};
constexpr std::uint8_t kLengthBits[kLengthSlots] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                    2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

// Distances of the two-byte matches that have main-code symbols of their
// own; the decoder adds one to the base.
constexpr unsigned kShortDistanceSlots = 8;
constexpr std::uint8_t kShortDistanceBase[kShortDistanceSlots] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr std::uint8_t kShortDistanceBits[kShortDistanceSlots] = {2, 2, 3, 4, 5, 6, 6, 6};

// Distances: four slots without extra bits, two for each width from 1 to 15,
// 14 slots of 16 bits (the 2.0 method stops here, at 48 slots: 1 MB) and 12
// of 18 bits (2.9: 60 slots, 4 MB). The decoder adds one to the base.
constexpr unsigned kDistanceSlots = 60;

struct DistanceSlotTable {
    std::array<std::uint32_t, kDistanceSlots> base{};
    std::array<std::uint8_t, kDistanceSlots> bits{};
};

constexpr DistanceSlotTable MakeDistanceSlotTable() {
    constexpr std::uint8_t kSlotsPerWidth[19] = {4, 2, 2, 2, 2, 2, 2,  2, 2, 2,
                                                 2, 2, 2, 2, 2, 2, 14, 0, 12};
    DistanceSlotTable slots;
    std::uint32_t base = 0;
    unsigned slot = 0;
    for (unsigned width = 0; width < 19; ++width) {
        for (unsigned i = 0; i < kSlotsPerWidth[width]; ++i, ++slot) {
            slots.base[slot] = base;
            slots.bits[slot] = static_cast<std::uint8_t>(width);
            base += 1u << width;
        }
    }
    return slots;
}

constexpr DistanceSlotTable kDistance = MakeDistanceSlotTable();

} // namespace rar::lz
