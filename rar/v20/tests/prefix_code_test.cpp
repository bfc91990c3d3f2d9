// Prefix codes with every length from 1 to 15 bits, so that both the quick
// lookup and the search for long codes are exercised.
#include "rar/v20/code_tables.h"
#include "rar/v20/tests/stream_writer.h"

#include <gtest/gtest.h>

namespace rar::v20::testing {
namespace {

// Symbol i < 15 is i + 1 bits long and written as i ones and a zero; symbol
// 15 is fifteen ones.
void PutLadderCode(StreamWriter& w, unsigned symbol) {
    if (symbol < 15)
        w.Put(((1u << symbol) - 1) << 1, symbol + 1);
    else
        w.Put(0x7fff, 15);
}

TEST(PrefixCode, EveryLengthFromOneToFifteenBitsDecodes) {
    std::uint8_t lengths[16];
    for (unsigned i = 0; i < 16; ++i)
        lengths[i] = static_cast<std::uint8_t>(i < 15 ? i + 1 : 15);
    PrefixCode code;
    code.Build(lengths, 16);

    const unsigned order[] = {15, 0, 14, 1, 13, 10, 11, 9, 12, 2, 8, 3, 7, 4, 6, 5, 15, 15};
    StreamWriter w;
    for (unsigned s : order)
        PutLadderCode(w, s);
    MemorySource source(w.Bytes());
    BitReader in(source);
    for (unsigned s : order)
        EXPECT_EQ(code.Decode(in), s);
    in.CheckNotOverrun();
}

TEST(PrefixCode, EqualLengthsAreOrderedBySymbol) {
    std::uint8_t lengths[6] = {3, 2, 0, 3, 2, 2};
    PrefixCode code;
    code.Build(lengths, 6);
    // 2-bit codes 00, 01, 10 go to 1, 4, 5; 3-bit codes 110, 111 to 0, 3.
    StreamWriter w;
    w.Put(0b00'01'10'110'111, 12);
    MemorySource source(w.Bytes());
    BitReader in(source);
    for (unsigned expected : {1u, 4u, 5u, 0u, 3u})
        EXPECT_EQ(code.Decode(in), expected);
}

TEST(PrefixCode, CodesTheLengthsLeaveFreeAreRefused) {
    std::uint8_t lengths[3] = {1, 0, 12};
    PrefixCode code;
    code.Build(lengths, 3);
    StreamWriter w;
    w.Put(0b1000'0000'0000, 12); // symbol 2
    w.Put(0b1000'0000'0001, 12); // unassigned
    MemorySource source(w.Bytes());
    BitReader in(source);
    EXPECT_EQ(code.Decode(in), 2u);
    EXPECT_THROW(code.Decode(in), DataError);
}

} // namespace
} // namespace rar::v20::testing
