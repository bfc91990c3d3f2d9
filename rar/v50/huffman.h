#pragma once
// A canonical prefix code given by its code lengths, decoded through a quick
// lookup table for the short codes and a search over lengths for the rest.
#include "rar/v50/bit_input.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace rar::v50 {

class HuffmanTable {
  public:
    static constexpr std::size_t kMaxSymbols = 306;
    static constexpr unsigned kMaxLength = 15;
    static constexpr unsigned kMaxQuickBits = 10;

    // `lengths[i]` (0 to 15, 0 = unused) is the code length of symbol i.
    // Throws DataError when the lengths do not form a prefix code.
    void Build(const std::uint8_t* lengths, std::size_t count, unsigned quickBits);

    // Throws DataError on a bit pattern that is no code of this table.
    unsigned Decode(BitInput& in) const {
        std::uint32_t bits = in.Peek16();
        if (bits < quickLimit_) {
            std::uint32_t entry = quick_[bits >> (16 - quickBits_)];
            in.Skip(entry & 0xff);
            return entry >> 8;
        }
        return DecodeLong(in, bits);
    }

  private:
    unsigned DecodeLong(BitInput& in, std::uint32_t bits) const;

    unsigned quickBits_ = 0;
    std::uint32_t quickLimit_ = 0;
    // limit_[n]: the first 16-bit left-aligned pattern past every code of
    // length n or less.
    std::array<std::uint32_t, kMaxLength + 1> limit_{};
    // firstIndex_[n]: index in symbols_ of the first code of length n.
    std::array<std::uint16_t, kMaxLength + 1> firstIndex_{};
    std::array<std::uint16_t, kMaxSymbols> symbols_{};
    // (symbol << 8) | length for every pattern of quickBits_ bits.
    std::array<std::uint32_t, 1u << kMaxQuickBits> quick_{};
};

} // namespace rar::v50
