#include "rar/v29/huffman.h"

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

    // Walking the prefixes in order, the code length only grows.
    unsigned n = 1;
    for (unsigned prefix = 0; prefix < quick_.size(); ++prefix) {
        std::uint32_t bits = prefix << (16 - kQuickBits);
        while (n < kMaxLength && bits >= limit_[n])
            ++n;
        // Every value sharing this prefix decodes alike only when the code
        // fits inside the prefix.
        if (n > kQuickBits) {
            quick_[prefix] = 0;
            continue;
        }
        std::uint32_t index = firstIndex_[n] + ((bits - limit_[n - 1]) >> (16 - n));
        quick_[prefix] = static_cast<std::uint16_t>(n << 12 | symbols_[index < count ? index : 0]);
    }
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
