// The E8 filter finds call opcodes several bytes at a time; it must find
// exactly those a byte-by-byte walk finds, wherever they lie in the block.
#include "rar/v50/filters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace rar::v50 {
namespace {

// Byte-by-byte: each call or jump opcode with four bytes after it inside
// the block has its absolute target (within the 16 MB image) made relative.
void UndoE8Bytewise(std::vector<std::uint8_t>& data, std::uint32_t fileOffset, bool e9) {
    for (std::size_t i = 0; i + 4 < data.size(); ++i) {
        if (data[i] != 0xe8 && !(e9 && data[i] == 0xe9))
            continue;
        std::uint8_t* p = &data[i + 1];
        const std::uint32_t offset = std::uint32_t(i + 1 + fileOffset) % 0x1000000;
        const std::uint32_t address = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
        std::uint32_t restored = address;
        if (address & 0x80000000u) {
            if (((address + offset) & 0x80000000u) == 0)
                restored = address + 0x1000000;
        } else if (address < 0x1000000) {
            restored = address - offset;
        }
        for (int k = 0; k < 4; ++k)
            p[k] = std::uint8_t(restored >> (8 * k));
        i += 4;
    }
}

// Mostly opcodes and small targets, so that runs of opcodes, opcodes inside
// targets and opcodes in the last four bytes all occur.
std::vector<std::uint8_t> DenseCode(std::size_t size, std::mt19937& rng) {
    static const std::uint8_t kBytes[] = {0xe8, 0xe9, 0x00, 0x01, 0xff, 0x90, 0xe8, 0xea};
    std::vector<std::uint8_t> data(size);
    for (auto& b : data)
        b = kBytes[rng() % sizeof kBytes];
    return data;
}

TEST(E8OpcodeScan, FindsTheSameOpcodesAsAByteWalk) {
    std::mt19937 rng(23);
    for (bool e9 : {false, true}) {
        for (std::size_t size = 0; size <= 64; ++size) {
            for (int round = 0; round < 40; ++round) {
                std::vector<std::uint8_t> expected = DenseCode(size, rng);
                std::vector<std::uint8_t> actual = expected;
                const std::uint32_t fileOffset = rng() % 0x2000000;
                UndoE8Bytewise(expected, fileOffset, e9);
                UndoE8(actual.data(), actual.size(), fileOffset, e9);
                ASSERT_EQ(actual, expected) << "size " << size << " e9 " << e9;
            }
        }
    }
}

TEST(E8OpcodeScan, SparseOpcodesInALongBlock) {
    std::mt19937 rng(29);
    std::vector<std::uint8_t> expected(100000);
    for (auto& b : expected)
        b = std::uint8_t(rng() % 0xe0);
    // Targets inside the image, so that every opcode found changes them.
    for (std::size_t at : {0u, 7u, 13u, 20u, 4095u, 4100u, 99994u, 99995u, 99996u}) {
        expected[at] = at % 2 ? 0xe9 : 0xe8;
        for (std::size_t k = 1; k <= 4 && at + k < expected.size(); ++k)
            expected[at + k] = k == 1 ? 0x10 : 0;
    }
    for (bool e9 : {false, true}) {
        std::vector<std::uint8_t> reference = expected;
        std::vector<std::uint8_t> actual = expected;
        UndoE8Bytewise(reference, 1234, e9);
        UndoE8(actual.data(), actual.size(), 1234, e9);
        EXPECT_EQ(actual, reference) << "e9 " << e9;
        EXPECT_NE(actual, expected);
    }
}

} // namespace
} // namespace rar::v50
