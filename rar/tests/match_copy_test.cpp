#include "rar/lz/match_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The definition: byte after byte, front to back.
void CopyBytewise(std::uint8_t* out, const std::uint8_t* in, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        out[i] = in[i];
}

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return bytes;
}

// Copies within a buffer whose guard bytes around the destination must stay.
void ExpectSameAsBytewise(std::size_t to, std::size_t from, std::size_t length) {
    const std::vector<std::uint8_t> start = Pattern(to + length + 64 + from);
    std::vector<std::uint8_t> expected = start;
    std::vector<std::uint8_t> actual = start;
    CopyBytewise(expected.data() + to, expected.data() + from, length);
    rar::CopyMatch(actual.data() + to, actual.data() + from, length);
    ASSERT_EQ(actual, expected) << "to " << to << " from " << from << " length " << length;
}

TEST(MatchCopy, RepeatsOverlappingPatternsLikeAByteLoop) {
    // Every distance up to past the widest chunk, every length a decoder
    // of these formats produces in one match and some far longer.
    for (std::size_t distance = 1; distance <= 80; ++distance)
        for (std::size_t length = 0; length <= 300; ++length)
            ExpectSameAsBytewise(400, 400 - distance, length);
    for (std::size_t length : {1000u, 4096u, 70000u})
        for (std::size_t distance : {1u, 3u, 16u, 17u, 999u})
            ExpectSameAsBytewise(80000, 80000 - distance, length);
}

TEST(MatchCopy, SourceAfterTheDestinationOrOnItIsCopiedFrontToBack) {
    for (std::size_t gap = 0; gap <= 40; ++gap)
        for (std::size_t length = 0; length <= 100; ++length)
            ExpectSameAsBytewise(10, 10 + gap, length);
}

} // namespace
