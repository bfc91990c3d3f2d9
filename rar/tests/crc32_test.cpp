#include "rar/check/crc32.h"
#include "rar/check/crc32_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// The definition, one bit at a time, with the usual inversions.
std::uint32_t BitwiseCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(gen());
    return bytes;
}

using Update = std::uint32_t (*)(std::uint32_t, const std::uint8_t*, std::size_t);

// Any length, any alignment, any starting value: the same as the definition.
void ExpectMatchesDefinition(Update update) {
    const std::vector<std::uint8_t> bytes = RandomBytes(4096 + 64, 7);
    std::mt19937 gen(11);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t offset = gen() % 16;
        const std::size_t size = round < 600 ? round : gen() % 4096;
        const std::uint32_t start = gen();
        const std::uint8_t* p = bytes.data() + offset;
        ASSERT_EQ(~update(~start, p, size), BitwiseCrc(start, p, size))
            << "offset " << offset << " size " << size;
    }
}

TEST(Crc32, KnownVectors) {
    const std::string check = "123456789";
    const auto* p = reinterpret_cast<const std::uint8_t*>(check.data());
    EXPECT_EQ(rar::Crc32(0, p, check.size()), 0xCBF43926u);
    EXPECT_EQ(rar::Crc32(0, p, 0), 0u);
    const std::vector<std::uint8_t> zeros(32, 0);
    EXPECT_EQ(rar::Crc32(0, zeros.data(), zeros.size()), 0x190A55ADu);
    const std::vector<std::uint8_t> ones(32, 0xFF);
    EXPECT_EQ(rar::Crc32(0, ones.data(), ones.size()), 0xFF6CAB0Bu);
}

TEST(Crc32, ContinuesAcrossPiecesOfAnySize) {
    const std::vector<std::uint8_t> bytes = RandomBytes(1 << 20, 3);
    const std::uint32_t whole = BitwiseCrc(0, bytes.data(), bytes.size());
    EXPECT_EQ(rar::Crc32(0, bytes.data(), bytes.size()), whole);
    std::mt19937 gen(5);
    std::uint32_t crc = 0;
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(gen() % 70000, bytes.size() - done);
        crc = rar::Crc32(crc, bytes.data() + done, piece);
        done += piece;
    }
    EXPECT_EQ(crc, whole);
}

TEST(Crc32, TablePathMatchesDefinition) {
    ExpectMatchesDefinition(rar::crc32_paths::TableUpdate);
}

TEST(Crc32, FoldingPathMatchesDefinition) {
    if (!rar::crc32_paths::FoldAvailable())
        GTEST_SKIP() << "no carry-less multiplication on this processor";
    ExpectMatchesDefinition(rar::crc32_paths::FoldUpdate);
}

// The oldest format's sum wraps at 16 bits both when adding and when rotating;
// long runs of high bytes pass through both many times.
TEST(OldChecksum, KnownValuesAndPiecesOfAnySize) {
    const std::string text = "hello, world";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    EXPECT_EQ(rar::OldChecksum(0, bytes, text.size()), 0xD8E4);
    const std::vector<std::uint8_t> high(300, 0xFF);
    EXPECT_EQ(rar::OldChecksum(0, high.data(), high.size()), 0xBE20);
    std::uint16_t sum = 0;
    for (std::size_t at = 0, piece = 1; at < high.size(); at += piece, ++piece)
        sum = rar::OldChecksum(sum, high.data() + at, std::min(piece, high.size() - at));
    EXPECT_EQ(sum, 0xBE20);
}

} // namespace
