// Canonical codes built from lengths decode what a canonical encoder writes,
// through the quick table and past it, and bad code lengths are refused.
#include "rar/v50/bit_input.h"
#include "rar/v50/block.h"
#include "rar/v50/tests/stream_writer.h"
#include "rar/v50/tests/test_io.h"

#include <gtest/gtest.h>

#include <vector>

namespace rar::v50 {
namespace {

using test::BitWriter;
using test::MemorySource;

// Codes as the compressor assigns them: by length, then by symbol.
std::vector<std::uint32_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
    std::vector<std::uint32_t> codes(lengths.size());
    std::uint32_t code = 0;
    for (unsigned length = 1; length <= 15; ++length) {
        for (std::size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == length) {
                codes[s] = code++;
            }
        }
        code <<= 1;
    }
    return codes;
}

std::vector<std::uint8_t> SkewedLengths() {
    // A complete code with lengths from 1 to 15.
    std::vector<std::uint8_t> lengths;
    for (std::uint8_t length = 1; length < 15; ++length) {
        lengths.push_back(length);
    }
    lengths.push_back(15);
    lengths.push_back(15);
    return lengths;
}

TEST(PrefixCode50, DecodesShortAndLongCodes) {
    std::vector<std::uint8_t> lengths = SkewedLengths();
    lengths.insert(lengths.begin() + 3, 0); // an unused symbol among them
    std::vector<std::uint32_t> codes = CanonicalCodes(lengths);
    std::vector<unsigned> message;
    BitWriter writer;
    for (unsigned round = 0; round < 40; ++round) {
        for (unsigned s = 0; s < lengths.size(); ++s) {
            if (lengths[s] != 0 && (round + s) % 3 != 0) {
                message.push_back(s);
                writer.Put(codes[s], lengths[s]);
            }
        }
    }
    std::vector<std::uint8_t> bytes = writer.Bytes();
    auto decodeWith = [&](auto table) {
        table.Build(lengths.data(), static_cast<unsigned>(lengths.size()));
        MemorySource source(bytes);
        BitInput in(source);
        in.Fill(bytes.size() + 1);
        for (unsigned expected : message) {
            ASSERT_EQ(table.Decode(in), expected);
        }
        EXPECT_EQ(in.Position(), writer.Bits());
    };
    decodeWith(SmallCode());
    decodeWith(MainCode());
}

TEST(PrefixCode50, RefusesPatternsNoSymbolHas) {
    // Two 2-bit codes leave half of the code space unused.
    std::vector<std::uint8_t> lengths = {2, 0, 2};
    SmallCode table;
    table.Build(lengths.data(), static_cast<unsigned>(lengths.size()));
    std::vector<std::uint8_t> bytes = {0x40, 0x80};
    MemorySource source(bytes);
    BitInput in(source);
    in.Fill(16);
    EXPECT_EQ(table.Decode(in), 2u);
    in.Skip(6);
    EXPECT_THROW(table.Decode(in), DataError);

    SmallCode empty;
    std::vector<std::uint8_t> none(20, 0);
    empty.Build(none.data(), static_cast<unsigned>(none.size()));
    EXPECT_THROW(empty.Decode(in), DataError);
}

TEST(PrefixCode50, RefusesOversubscribedLengthsAndKeepsThePreviousCode) {
    std::vector<std::uint8_t> good = {1, 1};
    SmallCode table;
    table.Build(good.data(), static_cast<unsigned>(good.size()));
    std::vector<std::uint8_t> bad = {1, 2, 2, 15};
    EXPECT_THROW(table.Build(bad.data(), static_cast<unsigned>(bad.size())), DataError);
    std::vector<std::uint8_t> bytes = {0x80};
    MemorySource source(bytes);
    BitInput in(source);
    in.Fill(8);
    EXPECT_EQ(table.Decode(in), 1u);
}

TEST(BitInput, ReadsAcrossRefillsAndReportsOverrun) {
    BitWriter writer;
    std::vector<std::pair<std::uint64_t, unsigned>> fields;
    for (unsigned i = 0; i < 60000; ++i) {
        unsigned count = 1 + (i * 7) % 25;
        std::uint64_t value = (std::uint64_t(i) * 2654435761u) & ((1u << count) - 1);
        fields.emplace_back(value, count);
        writer.Put(value, count);
        if (i % 1000 == 0) {
            fields.emplace_back(std::uint64_t(i) << 20 | 0xabcde, 40);
            writer.Put(std::uint64_t(i) << 20 | 0xabcde, 40);
        }
    }
    std::vector<std::uint8_t> bytes = writer.Bytes();
    MemorySource source(bytes, 777);
    BitInput in(source);
    for (const auto& [value, count] : fields) {
        in.Fill(2048);
        ASSERT_EQ(count > 25 ? in.ReadLong(count) : in.Read(count), value);
    }
    EXPECT_EQ(in.Position(), writer.Bits());
    EXPECT_FALSE(in.Overrun());
    in.AlignToByte();
    EXPECT_FALSE(in.Overrun());
    in.Read(1);
    EXPECT_TRUE(in.Overrun());
}

} // namespace
} // namespace rar::v50
