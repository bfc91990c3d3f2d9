// The shared MSB-first bit reader: what it reads, when it reports an overrun,
// and how far each overrun policy lets a decoder run into the zero padding
// past the end of an entry.
#include "rar/lz/bit_reader.h"
#include "rar/tests/memory_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace rar::lz {
namespace {

using test::MemorySource;

// Whole padding bytes read one by one before refilling gives up; `limit`
// when it never does.
template <class Policy>
unsigned PaddingBytesReadable(std::vector<std::uint8_t> data, unsigned limit) {
    MemorySource source(data, 3);
    BitReader<Policy> in(source);
    for (std::uint8_t byte : data)
        EXPECT_EQ(in.Read(8), byte);
    for (unsigned read = 0; read < limit; ++read) {
        try {
            EXPECT_EQ(in.Read(8), 0u);
        } catch (const DataError&) {
            return read;
        }
    }
    return limit;
}

TEST(BitReader, ReadsMostSignificantBitFirstAcrossRefills) {
    std::vector<std::uint8_t> data;
    for (unsigned i = 0; i < 100; ++i)
        data.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    MemorySource source(data, 5);
    BitReader<NeverStop> in(source);
    // Fields of 1 to 32 bits, checked against the bytes they were cut from.
    std::uint64_t bit = 0;
    for (unsigned width = 1; bit + width <= data.size() * 8; width = width % 32 + 1) {
        std::uint32_t expected = 0;
        for (unsigned i = 0; i < width; ++i, ++bit)
            expected = expected << 1 | ((data[bit / 8] >> (7 - bit % 8)) & 1);
        ASSERT_EQ(in.Read(width), expected) << "bit " << bit;
    }
}

TEST(BitReader, OnlyConsumedPaddingIsAnOverrun) {
    MemorySource source({0xA5, 0x0F});
    BitReader<NeverStop> in(source);
    EXPECT_EQ(in.Peek(32), 0xA50F0000u);
    EXPECT_EQ(in.RemainingBits(100), 16u);
    EXPECT_EQ(in.Read(12), 0xA50u);
    EXPECT_FALSE(in.AtEnd());
    EXPECT_EQ(in.Read(4), 0xFu);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_FALSE(in.Overrun());
    EXPECT_NO_THROW(in.CheckNotOverrun());
    in.Read(1);
    EXPECT_TRUE(in.Overrun());
    EXPECT_THROW(in.CheckNotOverrun(), DataError);
}

TEST(BitReader, EachPolicyStopsARunIntoThePaddingWhereItSays) {
    // Every alignment of the entry's end within the eight bytes a refill loads.
    for (std::uint8_t size = 0; size < 8; ++size) {
        std::vector<std::uint8_t> data(size, size);
        // Refilling gives up on loading the 17th padding byte; the reader
        // holds at most eight bytes ahead of what was read.
        unsigned loaded = PaddingBytesReadable<StopAfterPaddingLoaded<16>>(data, 1000);
        EXPECT_GE(loaded, 8u) << "size " << unsigned{size};
        EXPECT_LE(loaded, 16u) << "size " << unsigned{size};
        // Refilling gives up once more than 128 bits were consumed; one
        // refill loads at most eight bytes.
        unsigned consumed = PaddingBytesReadable<StopAfterPaddingConsumed<128>>(data, 1000);
        EXPECT_GE(consumed, 16u) << "size " << unsigned{size};
        EXPECT_LE(consumed, 24u) << "size " << unsigned{size};
        EXPECT_EQ(PaddingBytesReadable<NeverStop>(data, 1000), 1000u) << "size " << unsigned{size};
    }
}

} // namespace
} // namespace rar::lz
