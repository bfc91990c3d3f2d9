// Hand-made streams for the edges the corpus does not reach: empty and
// truncated entries, model resets between entries, and arbitrary input.
#include "rar/tests/memory_io.h"
#include "rar/v15/decoder15.h"

#include <gtest/gtest.h>

#include <random>

namespace rar::v15::testing {
namespace {

using rar::test::MemorySink;
using rar::test::MemorySource;

// Flag byte "all literals" (place 1 of the flag set), then literals at places
// 1, 0, 1 of the literal set. Byte 1 is used first, so it moves to the front
// and place 0 names it next; byte 0, pushed to place 1, follows.
const std::vector<std::uint8_t> kThreeLiterals = {0x08, 0x40, 0x10};
const std::vector<std::uint8_t> kThreeLiteralsOut = {1, 1, 0};

std::vector<std::uint8_t> DecodeWith(Decoder& decoder, const std::vector<std::uint8_t>& packed,
                                     std::uint64_t size, bool solid) {
    MemorySource source(packed, 1 << 20);
    MemorySink sink;
    decoder.Decode(source, size, sink, solid);
    return sink.bytes;
}

TEST(Decoder15, EmptyEntryNeedsNoData) {
    std::unique_ptr<Decoder> decoder = MakeDecoder15(0x10000);
    EXPECT_TRUE(DecodeWith(*decoder, {}, 0, false).empty());
    EXPECT_EQ(DecodeWith(*decoder, kThreeLiterals, 3, false), kThreeLiteralsOut);
}

TEST(Decoder15, UsedLiteralsMoveTowardsTheFrontOfTheirSet) {
    std::unique_ptr<Decoder> decoder = MakeDecoder15(0x10000);
    EXPECT_EQ(DecodeWith(*decoder, kThreeLiterals, 3, false), kThreeLiteralsOut);
}

TEST(Decoder15, EntryThatIsNotSolidStartsFromAFreshModel) {
    std::unique_ptr<Decoder> decoder = MakeDecoder15(0x10000);
    DecodeWith(*decoder, kThreeLiterals, 3, false);
    EXPECT_EQ(DecodeWith(*decoder, kThreeLiterals, 3, false), kThreeLiteralsOut);
    // Continuing instead keeps the ranking: byte 1 now leads, so the same
    // places name other bytes.
    DecodeWith(*decoder, kThreeLiterals, 3, false);
    EXPECT_NE(DecodeWith(*decoder, kThreeLiterals, 3, true), kThreeLiteralsOut);
}

TEST(Decoder15, DataEndingBeforeTheEntryDoesIsRefused) {
    std::unique_ptr<Decoder> decoder = MakeDecoder15(0x10000);
    EXPECT_THROW(DecodeWith(*decoder, {}, 1, false), DataError);
    // The fourth literal would need bits past the end.
    EXPECT_THROW(DecodeWith(*decoder, kThreeLiterals, 4, false), DataError);
    EXPECT_THROW(DecodeWith(*decoder, {0xff, 0xff}, std::uint64_t{1} << 40, false), DataError);
    EXPECT_THROW(DecodeWith(*decoder, kThreeLiterals, ~std::uint64_t{0}, false), DataError);
}

// Whatever the bytes, the decoder delivers exactly the asked size or refuses,
// and it never runs on for long past the end of its input.
TEST(Decoder15, ArbitraryInputEndsCleanly) {
    std::mt19937 random(1515);
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> packed(random() % 300);
        for (std::uint8_t& b : packed)
            b = static_cast<std::uint8_t>(random());
        std::uint64_t size = round % 2 ? random() % 200000 : std::uint64_t{1} << 40;
        std::unique_ptr<Decoder> decoder = MakeDecoder15(0x10000);
        try {
            EXPECT_EQ(DecodeWith(*decoder, packed, size, false).size(), size);
        } catch (const DataError&) {
            ++refused;
        }
    }
    EXPECT_GE(refused, 1000);
}

} // namespace
} // namespace rar::v15::testing
