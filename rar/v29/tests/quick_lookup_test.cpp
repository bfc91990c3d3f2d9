// The lookup table that decodes short codes in one step must agree with the
// length-by-length search for every bit pattern, whatever the code lengths:
// complete, incomplete or oversubscribed (damaged data builds those too).
#include "rar/v29/block_tables.h"

#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace rar::v29 {
namespace {

// Symbol and bits consumed for each of the 65536 16-bit patterns.
struct Decoded {
    unsigned symbol;
    unsigned peekedSymbol;
    std::uint32_t after; // the next 16 bits once the code was consumed
};

Decoded DecodePattern(const PrefixCode& table, std::uint32_t pattern) {
    test::BitWriter bits;
    bits.Put(pattern, 16);
    bits.Put(0x5A5A, 16);
    bits.Put(0, 32);
    test::MemorySource source(bits.Bytes());
    BitReader in(source);
    Decoded d{};
    d.peekedSymbol = table.PeekSymbol(in);
    d.symbol = table.Decode(in);
    d.after = in.Peek(16);
    return d;
}

// The bits left after consuming `length` bits of `pattern` followed by 0x5A5A.
std::uint32_t Remainder(std::uint32_t pattern, unsigned length) {
    return ((pattern << 16 | 0x5A5A) >> (16 - length)) & 0xFFFF;
}

void ExpectLookupMatchesSearch(const std::vector<std::uint8_t>& lengths) {
    PrefixCode table;
    table.Build(lengths.data(), static_cast<unsigned>(lengths.size()));
    for (std::uint32_t pattern = 0; pattern < 0x10000; pattern += 5) {
        const Decoded d = DecodePattern(table, pattern);
        ASSERT_EQ(d.symbol, d.peekedSymbol) << "pattern " << pattern;
    }
}

void ExpectConsumesCodeLength(const std::vector<std::uint8_t>& lengths) {
    PrefixCode table;
    table.Build(lengths.data(), static_cast<unsigned>(lengths.size()));
    for (std::uint32_t pattern = 0; pattern < 0x10000; pattern += 3) {
        const Decoded d = DecodePattern(table, pattern);
        ASSERT_EQ(d.after, Remainder(pattern, lengths[d.symbol])) << "pattern " << pattern;
    }
}

std::vector<std::uint8_t> RandomLengths(std::mt19937& rng, unsigned count, unsigned maxLength) {
    std::vector<std::uint8_t> lengths(count);
    for (auto& n : lengths)
        n = static_cast<std::uint8_t>(rng() % (maxLength + 1));
    return lengths;
}

TEST(QuickLookup, AgreesWithTheSearchOnDamagedAndOddTables) {
    std::mt19937 rng(17);
    // Few short codes (incomplete), many short codes (oversubscribed), and a
    // spread that mixes quick and slow codes.
    for (int round = 0; round < 6; ++round) {
        ExpectLookupMatchesSearch(RandomLengths(rng, 20, 15));
        ExpectLookupMatchesSearch(RandomLengths(rng, 299, 6));
        ExpectLookupMatchesSearch(RandomLengths(rng, 299, 15));
    }
}

TEST(QuickLookup, ConsumesExactlyTheCodeLengthOfEachCode) {
    // Lengths 1 to 15 and a second 15: complete, every length present.
    std::vector<std::uint8_t> lengths;
    for (unsigned n = 1; n <= 15; ++n)
        lengths.push_back(static_cast<std::uint8_t>(n));
    lengths.push_back(15);
    ExpectConsumesCodeLength(lengths);
    // Mostly quick codes in symbol order unlike length order.
    ExpectConsumesCodeLength({3, 3, 3, 3, 3, 4, 5, 5, 3, 4, 6, 6, 6, 6});
}

} // namespace
} // namespace rar::v29
