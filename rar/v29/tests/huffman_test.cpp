#include "rar/v29/block_tables.h"

#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace rar::v29 {
namespace {

// Canonical codes computed the textbook way: per length, consecutive values
// in symbol order, each length starting after the previous one's last code.
std::vector<std::uint32_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
    unsigned count[16] = {};
    for (auto n : lengths)
        ++count[n];
    count[0] = 0;
    std::uint32_t next[16] = {};
    std::uint32_t code = 0;
    for (unsigned n = 1; n < 16; ++n) {
        code = (code + count[n - 1]) << 1;
        next[n] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size());
    for (std::size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i] != 0)
            codes[i] = next[lengths[i]]++;
    return codes;
}

std::vector<unsigned> DecodeAll(const std::vector<std::uint8_t>& lengths,
                                const std::vector<unsigned>& symbols) {
    auto codes = CanonicalCodes(lengths);
    test::BitWriter bits;
    for (unsigned s : symbols)
        bits.Put(codes[s], lengths[s]);
    bits.Put(0, 32);
    PrefixCode table;
    table.Build(lengths.data(), static_cast<unsigned>(lengths.size()));
    test::MemorySource source(bits.Bytes());
    BitReader in(source);
    std::vector<unsigned> out;
    for (std::size_t i = 0; i < symbols.size(); ++i)
        out.push_back(table.Decode(in));
    return out;
}

TEST(Huffman, CodesOfEveryLengthDecodeThroughBothPaths) {
    // A complete code with lengths 1..15: symbol i has length i + 1, the
    // last two share 15. Codes longer than the quick lookup take the slow path.
    std::vector<std::uint8_t> lengths;
    for (unsigned n = 1; n <= 15; ++n)
        lengths.push_back(static_cast<std::uint8_t>(n));
    lengths.push_back(15);
    lengths.push_back(0); // unused symbol in between
    std::reverse(lengths.begin(), lengths.end());
    std::vector<unsigned> symbols;
    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        unsigned s = static_cast<unsigned>(rng() % lengths.size());
        if (lengths[s] != 0)
            symbols.push_back(s);
    }
    EXPECT_EQ(DecodeAll(lengths, symbols), symbols);
}

TEST(Huffman, RealisticTableOf299Symbols) {
    std::mt19937 rng(4);
    std::vector<std::uint8_t> lengths(299);
    // Lengths 4..13 in a pattern that keeps the code within Kraft's bound.
    for (std::size_t i = 0; i < lengths.size(); ++i)
        lengths[i] = static_cast<std::uint8_t>(i < 8 ? 4 : i < 40 ? 8 : i < 200 ? 10 : 13);
    std::vector<unsigned> symbols;
    for (int i = 0; i < 5000; ++i)
        symbols.push_back(static_cast<unsigned>(rng() % 299));
    EXPECT_EQ(DecodeAll(lengths, symbols), symbols);
}

TEST(Huffman, UnassignedCodesDecodeToTheFirstSymbolSafely) {
    // Only two codes of length 2 ("00", "01"): "1..." is unassigned and
    // decodes, as in the format's own tables, to the first symbol.
    std::vector<std::uint8_t> lengths = {0, 2, 0, 2};
    test::BitWriter bits;
    bits.Put(0xffff, 16);
    bits.Put(0, 32);
    PrefixCode table;
    table.Build(lengths.data(), 4);
    test::MemorySource source(bits.Bytes());
    BitReader in(source);
    EXPECT_EQ(table.Decode(in), 1u);
    // An empty table decodes, without reading outside itself.
    std::vector<std::uint8_t> none(20, 0);
    table.Build(none.data(), 20);
    EXPECT_EQ(table.Decode(in), 0u);
}

} // namespace
} // namespace rar::v29
