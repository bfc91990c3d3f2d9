#pragma once
// Canonical prefix codes as the 2.9 format builds them from code lengths:
// shorter codes first, equal lengths in symbol order. Decoding is driven by a
// lookup on the next kQuickBits bits; only longer codes take the slow path.
#include "rar/v29/bit_input.h"

#include <array>
#include <cstdint>

namespace rar::v29 {

class HuffmanTable {
  public:
    static constexpr unsigned kMaxSymbols = 299;
    static constexpr unsigned kMaxLength = 15;

    // `lengths[i]` (0..15, 0 = unused) for each of `count` symbols.
    void Build(const std::uint8_t* lengths, unsigned count);

    unsigned Decode(BitInput& in) const {
        std::uint32_t bits = in.Peek(16);
        std::uint16_t entry = quick_[bits >> (16 - kQuickBits)];
        if (entry != 0) {
            in.Skip(entry >> 12);
            return entry & 0xfff;
        }
        unsigned length = 0;
        unsigned symbol = DecodeSlow(bits, length);
        in.Skip(length);
        return symbol;
    }
    // The symbol Decode would return, leaving the input untouched.
    unsigned PeekSymbol(BitInput& in) const {
        unsigned length = 0;
        return DecodeSlow(in.Peek(16), length);
    }

  private:
    static constexpr unsigned kQuickBits = 10;

    void FillQuickTable();

    // A code the lengths leave unassigned (incomplete or oversubscribed
    // tables) still decodes, as the format's own tables do: to the first
    // symbol, consuming the longest length.
    unsigned DecodeSlow(std::uint32_t bits, unsigned& length) const;

    unsigned count_ = 0;
    std::array<std::uint32_t, kMaxLength + 1> limit_{};
    std::array<std::uint32_t, kMaxLength + 1> firstIndex_{};
    std::array<std::uint16_t, kMaxSymbols> symbols_{};
    std::array<std::uint16_t, 1u << kQuickBits> quick_{};
};

} // namespace rar::v29
