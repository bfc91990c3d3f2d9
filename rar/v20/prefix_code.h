#pragma once
// The canonical prefix codes of the 2.0 format, built from code lengths:
// shorter codes first, equal lengths in symbol order. A lookup on the next
// kQuickBits bits decodes most symbols; longer codes take a short search.
#include "rar/v20/bit_reader.h"

#include <array>
#include <cstdint>

namespace rar::v20 {

class PrefixCode {
  public:
    static constexpr unsigned kMaxSymbols = 298;
    static constexpr unsigned kMaxLength = 15;

    // `lengths[i]` (0..15, 0 = unused) for each of `count` symbols. Lengths
    // that claim more codes than exist are corrupt data (DataError); lengths
    // that leave codes unassigned are accepted, those codes are not.
    void Build(const std::uint8_t* lengths, unsigned count);

    unsigned Decode(BitReader& in) const {
        std::uint32_t bits = in.Peek(16);
        std::uint16_t entry = quick_[bits >> (16 - kQuickBits)];
        if (entry != 0) {
            in.Skip(entry >> kLengthShift);
            return entry & kSymbolMask;
        }
        return DecodeLong(in, bits);
    }

  private:
    static constexpr unsigned kQuickBits = 10;
    static constexpr unsigned kLengthShift = 12;
    static constexpr std::uint16_t kSymbolMask = (1u << kLengthShift) - 1;

    unsigned DecodeLong(BitReader& in, std::uint32_t bits) const;

    // Per length: one past the last code, left-aligned to 16 bits; the first
    // code; and the index of its symbol in symbols_.
    std::array<std::uint32_t, kMaxLength + 1> limit_{};
    std::array<std::uint32_t, kMaxLength + 1> firstCode_{};
    std::array<std::uint16_t, kMaxLength + 1> firstIndex_{};
    std::array<std::uint16_t, kMaxSymbols> symbols_{};
    // Symbol plus length << kLengthShift; 0 where the code is longer.
    std::array<std::uint16_t, 1u << kQuickBits> quick_{};
};

} // namespace rar::v20
