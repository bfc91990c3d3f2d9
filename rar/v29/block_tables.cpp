#include "rar/v29/block_tables.h"

namespace rar::v29 {

namespace {

constexpr unsigned kLevelSymbols = 20;

void ReadLevelLengths(BitReader& in, std::uint8_t (&levels)[kLevelSymbols]) {
    for (unsigned i = 0; i < kLevelSymbols;) {
        auto length = static_cast<std::uint8_t>(in.Read(4));
        if (length != 15) {
            levels[i++] = length;
            continue;
        }
        // 15 escapes a run of zero lengths; 15 followed by 0 is itself.
        unsigned zeros = in.Read(4);
        if (zeros == 0) {
            levels[i++] = 15;
            continue;
        }
        for (zeros += 2; zeros > 0 && i < kLevelSymbols; --zeros)
            levels[i++] = 0;
    }
}

} // namespace

void BlockTables::Read(BitReader& in, bool keepOld) {
    if (!keepOld)
        lengths.fill(0);
    std::uint8_t levels[kLevelSymbols];
    ReadLevelLengths(in, levels);
    PrefixCode levelCode;
    levelCode.Build(levels, kLevelSymbols);

    std::array<std::uint8_t, kTableSymbols> next{};
    for (unsigned i = 0; i < kTableSymbols;) {
        unsigned symbol = levelCode.Decode(in);
        if (symbol < 16) {
            next[i] = static_cast<std::uint8_t>((symbol + lengths[i]) & 0xf);
            ++i;
            continue;
        }
        // 16/17 repeat the previous length, 18/19 write zeros; the odd one
        // of each pair carries a longer count.
        unsigned count = (symbol % 2 == 0) ? in.Read(3) + 3 : in.Read(7) + 11;
        if (symbol < 18 && i == 0)
            throw DataError("code lengths start with a repeat");
        std::uint8_t value = symbol < 18 ? next[i - 1] : 0;
        for (; count > 0 && i < kTableSymbols; --count)
            next[i++] = value;
    }
    lengths = next;
    main.Build(lengths.data(), kMainSymbols);
    distance.Build(lengths.data() + kMainSymbols, kDistanceSymbols);
    lowDistance.Build(lengths.data() + kMainSymbols + kDistanceSymbols, kLowDistanceSymbols);
    length.Build(lengths.data() + kMainSymbols + kDistanceSymbols + kLowDistanceSymbols,
                 kLengthSymbols);
}

} // namespace rar::v29
