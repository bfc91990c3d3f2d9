#include "rar/v29/huffman.h"

#include <algorithm>
#include <stdexcept>

namespace rar::v29 {

void HuffmanTable::Build(const std::uint8_t* lengths, unsigned count) {
    if (count > kMaxSymbols)
        throw std::logic_error("prefix code table too large");
    count_ = count;
    std::array<unsigned, kMaxLength + 1> perLength{};
    for (unsigned i = 0; i < count; ++i)
        ++perLength[lengths[i] & 0xf];
    perLength[0] = 0;

    // limit_[n]: the first 16-bit left-aligned value whose code is longer than n.
    std::uint32_t upper = 0;
    limit_[0] = 0;
    firstIndex_[0] = 0;
    for (unsigned n = 1; n <= kMaxLength; ++n) {
        upper += perLength[n];
        limit_[n] = upper << (16 - n);
        upper *= 2;
        firstIndex_[n] = firstIndex_[n - 1] + perLength[n - 1];
    }

    symbols_.fill(0);
    std::array<std::uint32_t, kMaxLength + 1> next = firstIndex_;
    for (unsigned i = 0; i < count; ++i) {
        unsigned n = lengths[i] & 0xf;
        if (n != 0)
            symbols_[next[n]++] = static_cast<std::uint16_t>(i);
    }

    FillQuickTable();
}

void HuffmanTable::FillQuickTable() {
    // Prefixes below limit_[n] and at or above limit_[n - 1] start a code of
    // length n. Such a code covers an aligned group of prefixes, as every
    // limit_[n - 1] is a multiple of the group's size; longer codes are left
    // to the slow path (entry 0).
    constexpr unsigned kPrefixShift = 16 - kQuickBits;
    std::size_t prefix = 0;
    for (unsigned n = 1; n <= kQuickBits; ++n) {
        const std::size_t end = std::min<std::size_t>(
            quick_.size(), (limit_[n] + (1u << kPrefixShift) - 1) >> kPrefixShift);
        const std::size_t group = std::size_t{1} << (kQuickBits - n);
        while (prefix < end) {
            const std::uint32_t bits = static_cast<std::uint32_t>(prefix) << kPrefixShift;
            const std::uint32_t index = firstIndex_[n] + ((bits - limit_[n - 1]) >> (16 - n));
            const std::uint16_t entry =
                static_cast<std::uint16_t>(n << 12 | symbols_[index < count_ ? index : 0]);
            const std::size_t stop = std::min(end, prefix + group);
            std::fill(quick_.begin() + prefix, quick_.begin() + stop, entry);
            prefix = stop;
        }
    }
    std::fill(quick_.begin() + prefix, quick_.end(), std::uint16_t{0});
}

unsigned HuffmanTable::DecodeSlow(std::uint32_t bits, unsigned& length) const {
    unsigned n = 1;
    while (n < kMaxLength && bits >= limit_[n])
        ++n;
    length = n;
    std::uint32_t index = firstIndex_[n] + ((bits - limit_[n - 1]) >> (16 - n));
    if (index >= count_)
        index = 0;
    return symbols_[index];
}

} // namespace rar::v29
