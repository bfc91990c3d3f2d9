// The decoder fuzz target's input layout: seeds written by the cutter must
// read back as the same entries, and any bytes must parse without reading
// past the input.
#include "rar/fuzz/decoder_input.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace rar::fuzz {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

TEST(DecoderInput, FormattedEntriesReadBackUnchanged) {
    const auto a = Bytes(300, 1), b = Bytes(7, 50), c = Bytes(1, 9);
    DecoderInput input;
    input.kind = DecoderKind::V29;
    input.entries = {{123456, false, a.data(), a.size()},
                     {0, true, b.data(), b.size()},
                     {70000, false, c.data(), c.size()}};
    const std::vector<std::uint8_t> bytes = FormatDecoderInput(input);
    const auto parsed = ParseDecoderInput(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, DecoderKind::V29);
    ASSERT_EQ(parsed->entries.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const DecoderEntry& want = input.entries[i];
        const DecoderEntry& got = parsed->entries[i];
        EXPECT_EQ(got.unpackedSize, want.unpackedSize);
        EXPECT_EQ(got.solid, want.solid);
        EXPECT_EQ(std::vector<std::uint8_t>(got.packed, got.packed + got.packedSize),
                  std::vector<std::uint8_t>(want.packed, want.packed + want.packedSize));
    }
}

TEST(DecoderInput, FormattingKeepsToTheLimits) {
    const auto big = Bytes(kMaxPackedSize + 10, 0);
    DecoderInput input;
    input.kind = DecoderKind::V15;
    for (int i = 0; i < 6; ++i)
        input.entries.push_back({0xffffffff, true, big.data(), big.size()});
    const std::vector<std::uint8_t> bytes = FormatDecoderInput(input);
    const auto parsed = ParseDecoderInput(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, DecoderKind::V15);
    ASSERT_EQ(parsed->entries.size(), kMaxEntries);
    EXPECT_FALSE(parsed->entries[0].solid);
    for (const DecoderEntry& e : parsed->entries) {
        EXPECT_EQ(e.unpackedSize, kMaxUnpackedSize);
        EXPECT_EQ(e.packedSize, kMaxPackedSize);
    }
}

TEST(DecoderInput, StatedSizesAreCutToWhatIsLeft) {
    // Two entries, 2.0 method; the first claims 0x1000 bytes of only 5.
    const std::vector<std::uint8_t> bytes = {0x05, 1, 0, 0, 0, 0x00, 0x10, 2, 0,
                                             0,    1, 3, 0, 1, 2,    3,    4, 5};
    const auto parsed = ParseDecoderInput(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, DecoderKind::V20);
    ASSERT_EQ(parsed->entries.size(), 2u);
    EXPECT_EQ(parsed->entries[0].packedSize, 5u);
    EXPECT_EQ(parsed->entries[1].packedSize, 0u);
    EXPECT_TRUE(parsed->entries[1].solid);
    EXPECT_EQ(parsed->entries[1].unpackedSize, 2u);
}

TEST(DecoderInput, TooShortForItsTableIsNoInput) {
    EXPECT_FALSE(ParseDecoderInput(nullptr, 0));
    const std::vector<std::uint8_t> bytes = {0x0c, 1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(ParseDecoderInput(bytes.data(), bytes.size()));
}

TEST(DecoderInput, AnyBytesParseWithinTheInput) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 64);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        const auto parsed = ParseDecoderInput(bytes.data(), bytes.size());
        if (!parsed)
            continue;
        std::size_t total = 0;
        for (const DecoderEntry& e : parsed->entries) {
            EXPECT_GE(e.packed, bytes.data());
            EXPECT_LE(e.packed + e.packedSize, bytes.data() + bytes.size());
            EXPECT_LE(e.unpackedSize, kMaxUnpackedSize);
            total += e.packedSize;
        }
        EXPECT_EQ(total + 1 + parsed->entries.size() * 6, bytes.size());
    }
}

} // namespace
} // namespace rar::fuzz
