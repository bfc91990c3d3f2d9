#pragma once
// How the 2.9 LZ alphabet names lengths and distances: a slot symbol plus
// extra bits, the inverse of what the decoder adds up.
#include "rar/lz/match_slots.h"

#include <cstdint>

namespace rar::encode::v29 {

constexpr unsigned kMainSymbols = 299;
constexpr unsigned kDistanceSymbols = 60;
constexpr unsigned kLowDistanceSymbols = 17;
constexpr unsigned kLengthSymbols = 28;
constexpr unsigned kTableSymbols =
    kMainSymbols + kDistanceSymbols + kLowDistanceSymbols + kLengthSymbols;

constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kFilterSymbol = 257;
constexpr unsigned kFirstRepeat = 259;
constexpr unsigned kFirstShort = 263;
constexpr unsigned kFirstMatch = 271;
// Slots from here on send their low four distance bits through their own code.
constexpr unsigned kFirstLowDistanceSlot = 10;

constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;  // new distance: slot base 224 + 31 + 3
constexpr unsigned kMaxRepeat = 257; // old distance: 224 + 31 + 2
constexpr std::uint32_t kMaxShortDistance = 256;
// Far matches carry one or two bytes of length implicitly.
constexpr std::uint32_t kFarDistance = 0x2000;
constexpr std::uint32_t kVeryFarDistance = 0x40000;

struct Slot {
    unsigned symbol;
    unsigned bits;       // extra bits after the symbol
    std::uint32_t extra; // their value
};

// `value`: the length less what the symbol implies (0..255).
inline Slot LengthSlot(std::uint32_t value) {
    unsigned slot = value < 8 ? value : 27;
    while (lz::kLengthBase[slot] > value)
        --slot;
    return {slot, lz::kLengthBits[slot], value - lz::kLengthBase[slot]};
}

// `value`: distance - 1. Computed from the value's top bits rather than by
// searching lz::kDistance, which the tests check it against.
inline Slot DistanceSlot(std::uint32_t value) {
    if (value < 4)
        return {value, 0, 0};
    if (value < 0x20000) {
        const unsigned top = 31u - static_cast<unsigned>(__builtin_clz(value)); // 2..16
        const unsigned bits = top - 1;
        return {2 * top + ((value >> bits) & 1), bits, value & ((1u << bits) - 1)};
    }
    if (value < 0x100000)
        return {34 + ((value - 0x20000) >> 16), 16, value & 0xffff};
    return {48 + ((value - 0x100000) >> 18), 18, (value - 0x100000) & 0x3ffff};
}

// The short-match slot of `distance` (1..256).
inline Slot ShortSlot(std::uint32_t distance) {
    unsigned slot = lz::kShortDistanceSlots - 1;
    while (lz::kShortDistanceBase[slot] > distance - 1)
        --slot;
    return {slot, lz::kShortDistanceBits[slot], distance - 1 - lz::kShortDistanceBase[slot]};
}

// What the decoder adds to a new match's length for its distance.
inline unsigned FarBonus(std::uint32_t distance) {
    return (distance >= kFarDistance) + (distance >= kVeryFarDistance);
}

} // namespace rar::encode::v29
