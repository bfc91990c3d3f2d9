#include "rar/v50/huffman.h"

namespace rar::v50 {

void HuffmanTable::Build(const std::uint8_t* lengths, std::size_t count, unsigned quickBits) {
    std::array<std::uint16_t, kMaxLength + 1> perLength{};
    for (std::size_t i = 0; i < count; ++i) {
        ++perLength[lengths[i]];
    }
    perLength[0] = 0;

    // Checked in full before any member changes, so a rejected table leaves
    // the previous one intact.
    std::array<std::uint32_t, kMaxLength + 1> firstCode{};
    std::array<std::uint32_t, kMaxLength + 1> limit{};
    std::array<std::uint16_t, kMaxLength + 1> firstIndex{};
    std::uint32_t code = 0;
    std::uint16_t index = 0;
    for (unsigned n = 1; n <= kMaxLength; ++n) {
        code = (code + perLength[n - 1]) << 1;
        if (code + perLength[n] > (1u << n)) {
            throw DataError("RAR5 data: Huffman code lengths overflow");
        }
        firstCode[n] = code;
        limit[n] = (code + perLength[n]) << (16 - n);
        firstIndex[n] = index;
        index = std::uint16_t(index + perLength[n]);
    }
    limit_ = limit;
    firstIndex_ = firstIndex;

    std::array<std::uint16_t, kMaxLength + 1> next = firstIndex_;
    for (std::size_t i = 0; i < count; ++i) {
        if (lengths[i] != 0) {
            symbols_[next[lengths[i]]++] = std::uint16_t(i);
        }
    }

    quickBits_ = quickBits;
    quickLimit_ = limit_[quickBits];
    for (unsigned n = 1; n <= quickBits; ++n) {
        for (unsigned k = 0; k < perLength[n]; ++k) {
            std::uint32_t entry = std::uint32_t(symbols_[firstIndex_[n] + k]) << 8 | n;
            std::uint32_t first = (firstCode[n] + k) << (quickBits - n);
            for (std::uint32_t j = 0; j < (1u << (quickBits - n)); ++j) {
                quick_[first + j] = entry;
            }
        }
    }
}

unsigned HuffmanTable::DecodeLong(BitInput& in, std::uint32_t bits) const {
    for (unsigned n = quickBits_ + 1; n <= kMaxLength; ++n) {
        if (bits < limit_[n]) {
            in.Skip(n);
            return symbols_[firstIndex_[n] + ((bits - limit_[n - 1]) >> (16 - n))];
        }
    }
    throw DataError("RAR5 data: unused Huffman code");
}

} // namespace rar::v50
