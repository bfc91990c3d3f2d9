#include "rar/v20/prefix_code.h"

namespace rar::v20 {

void PrefixCode::Build(const std::uint8_t* lengths, unsigned count) {
    if (count > kMaxSymbols)
        throw DataError("too many symbols in a code");
    std::array<unsigned, kMaxLength + 1> perLength{};
    for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] > kMaxLength)
            throw DataError("code length out of range");
        ++perLength[lengths[i]];
    }
    std::uint32_t code = 0;
    unsigned index = 0;
    limit_[0] = 0;
    for (unsigned len = 1; len <= kMaxLength; ++len) {
        firstCode_[len] = code;
        firstIndex_[len] = static_cast<std::uint16_t>(index);
        code += perLength[len];
        if (code > (1u << len))
            throw DataError("code lengths claim more codes than exist");
        limit_[len] = code << (16 - len);
        index += perLength[len];
        code <<= 1;
    }
    std::array<unsigned, kMaxLength + 1> next{};
    for (unsigned len = 1; len <= kMaxLength; ++len)
        next[len] = firstIndex_[len];
    for (unsigned i = 0; i < count; ++i)
        if (lengths[i] != 0)
            symbols_[next[lengths[i]]++] = static_cast<std::uint16_t>(i);

    quick_.fill(0);
    for (unsigned len = 1; len <= kQuickBits; ++len) {
        unsigned spread = 1u << (kQuickBits - len);
        for (unsigned k = 0; k < perLength[len]; ++k) {
            unsigned first = (firstCode_[len] + k) << (kQuickBits - len);
            auto entry =
                static_cast<std::uint16_t>(symbols_[firstIndex_[len] + k] | len << kLengthShift);
            for (unsigned j = 0; j < spread; ++j)
                quick_[first + j] = entry;
        }
    }
}

unsigned PrefixCode::DecodeLong(BitReader& in, std::uint32_t bits) const {
    // Codes of each length follow those of the shorter lengths without a
    // gap, so the first limit above the bits gives the length.
    for (unsigned len = kQuickBits + 1; len <= kMaxLength; ++len) {
        if (bits < limit_[len]) {
            in.Skip(len);
            return symbols_[firstIndex_[len] + (bits >> (16 - len)) - firstCode_[len]];
        }
    }
    throw DataError("unassigned prefix code");
}

} // namespace rar::v20
