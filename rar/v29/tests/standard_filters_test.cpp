#include "rar/v29/standard_filters.h"

#include "rar/lz/decoder.h"
#include "rar/tests/random_bytes.h"
#include "rar/v29/tests/filter_models.h"
#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace rar::v29 {
namespace {

using test::Bytes;

// Runs the filter on `coded` in a fresh machine memory; returns its output.
Bytes Undo(FilterKind kind, const Bytes& coded, FilterRegisters registers,
           std::uint32_t fileOffset = 0) {
    Bytes memory(kFilterMemorySize);
    std::copy(coded.begin(), coded.end(), memory.begin());
    registers[4] = static_cast<std::uint32_t>(coded.size());
    std::size_t at = RunFilter(kind, registers, memory.data(),
                               static_cast<std::uint32_t>(coded.size()), fileOffset);
    return Bytes(memory.begin() + static_cast<std::ptrdiff_t>(at),
                 memory.begin() + static_cast<std::ptrdiff_t>(at + coded.size()));
}

Bytes Random(std::size_t size, unsigned seed) {
    return rar::test::RandomBytes(size, seed);
}

// x86-like code: many E8/E9 opcodes followed by targets of every kind the
// transform distinguishes (near, just below 16 MB, far, negative).
Bytes CodeWithCalls(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out = Random(size, seed);
    const std::uint32_t targets[] = {0x10, 0x00fffff0, 0x12345678, 0xfffffff0, 0x80000000, 0};
    for (std::size_t pos = 0; pos + 5 < size; pos += 3 + rng() % 12) {
        out[pos] = (rng() & 1) ? 0xe8 : 0xe9;
        std::uint32_t t = targets[rng() % 6] - (rng() % 64);
        for (int i = 0; i < 4; ++i)
            out[pos + 1 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(t >> (8 * i));
    }
    return out;
}

TEST(StandardFilters, CallTargetsAreMadeRelativeAgain) {
    // Hand-worked: the absolute 0x10 after an E8 at entry offset 0 was the
    // relative 0x10 - 1; at entry offset 100 a stored -2 means 0x1000000 - 2.
    EXPECT_EQ(Undo(FilterKind::E8, {0xe8, 0x10, 0, 0, 0, 0x90, 0x90, 0x90}, {}),
              Bytes({0xe8, 0x0f, 0, 0, 0, 0x90, 0x90, 0x90}));
    EXPECT_EQ(Undo(FilterKind::E8, {0xe8, 0xfe, 0xff, 0xff, 0xff, 0x90}, {}, 100),
              Bytes({0xe8, 0xfe, 0xff, 0xff, 0x00, 0x90}));
    // E9 is left alone by the E8-only filter.
    EXPECT_EQ(Undo(FilterKind::E8, {0xe9, 0x10, 0, 0, 0, 0x90}, {}),
              Bytes({0xe9, 0x10, 0, 0, 0, 0x90}));

    for (std::uint32_t offset : {0u, 1000u, 0x7fff00u}) {
        Bytes original = CodeWithCalls(5000, offset + 1);
        EXPECT_EQ(Undo(FilterKind::E8, test::EncodeCalls(original, offset, false), {}, offset),
                  original);
        EXPECT_EQ(Undo(FilterKind::E8E9, test::EncodeCalls(original, offset, true), {}, offset),
                  original);
    }
}

TEST(StandardFilters, ItaniumBranchTargetsAreMadeRelativeAgain) {
    Bytes original = Random(16 * 200 + 7, 7);
    // Give every bundle a branch template and many slots the branch opcode.
    for (std::size_t pos = 0; pos + 16 <= original.size(); pos += 16) {
        original[pos] = static_cast<std::uint8_t>((original[pos] & 0xe0) | (0x10 + pos / 16 % 16));
        for (unsigned slot = 0; slot < 3; ++slot)
            if ((pos / 16 + slot) % 3 != 0)
                test::SetBits(original.data() + pos, slot * 41 + 5 + 37, 4, 5);
    }
    for (std::uint32_t offset : {0u, 0x1230u}) {
        Bytes coded = test::EncodeItanium(original, offset);
        EXPECT_NE(coded, original);
        EXPECT_EQ(Undo(FilterKind::Itanium, coded, {}, offset), original);
    }
}

TEST(StandardFilters, DeltaRestoresInterleavedChannels) {
    FilterRegisters twoChannels{2};
    EXPECT_EQ(Undo(FilterKind::Delta, {0xff, 0xff, 0x01, 0x01}, twoChannels),
              Bytes({0x01, 0xff, 0x02, 0xfe}));
    for (std::uint32_t channels : {1u, 3u, 7u}) {
        Bytes original = Random(1001, channels);
        EXPECT_EQ(Undo(FilterKind::Delta, test::EncodeDelta(original, channels), {channels}),
                  original);
    }
}

TEST(StandardFilters, RgbRestoresPixelsFromTheirNeighbours) {
    // A smooth gradient image, so that all three predictor choices occur.
    const std::uint32_t stride = 3 * 40;
    Bytes image;
    for (std::uint32_t y = 0; y < 30; ++y)
        for (std::uint32_t x = 0; x < 40; ++x)
            for (std::uint32_t c = 0; c < 3; ++c)
                image.push_back(static_cast<std::uint8_t>(x * (c + 1) + y * 3 + (x * y) % 7));
    for (std::uint32_t redPos : {0u, 2u}) {
        FilterRegisters registers{stride + 3, redPos};
        Bytes coded = test::EncodeRgb(image, stride + 3, redPos);
        EXPECT_EQ(Undo(FilterKind::Rgb, coded, registers), image);
    }
    Bytes noise = Random(999, 3);
    EXPECT_EQ(Undo(FilterKind::Rgb, test::EncodeRgb(noise, 33, 1), {33, 1}), noise);
}

TEST(StandardFilters, AudioRestoresSamplesThroughTheAdaptivePredictor) {
    // A sampled waveform with noise: the weights move away from zero.
    Bytes sound;
    std::mt19937 rng(5);
    for (int i = 0; i < 6000; ++i)
        sound.push_back(static_cast<std::uint8_t>(128 + 100 * std::sin(i / 9.0) + rng() % 9));
    for (std::uint32_t channels : {1u, 2u, 4u}) {
        Bytes coded = test::EncodeAudio(sound, channels);
        EXPECT_EQ(Undo(FilterKind::Audio, coded, {channels}), sound);
    }
}

TEST(StandardFilters, ParametersOutOfRangeAreDataErrors) {
    Bytes memory(kFilterMemorySize);
    FilterRegisters noChannels{0};
    EXPECT_THROW(RunFilter(FilterKind::Delta, noChannels, memory.data(), 100, 0), DataError);
    EXPECT_THROW(RunFilter(FilterKind::Audio, noChannels, memory.data(), 100, 0), DataError);
    FilterRegisters badRed{30, 3};
    EXPECT_THROW(RunFilter(FilterKind::Rgb, badRed, memory.data(), 100, 0), DataError);
    FilterRegisters tooWide{200, 0};
    EXPECT_THROW(RunFilter(FilterKind::Rgb, tooWide, memory.data(), 100, 0), DataError);
    // Output behind the input must fit in the machine's memory.
    FilterRegisters oneChannel{1};
    EXPECT_THROW(
        RunFilter(FilterKind::Delta, oneChannel, memory.data(), kFilterMemorySize / 2 + 1, 0),
        DataError);
    EXPECT_THROW(RunFilter(FilterKind::E8, {}, memory.data(), kFilterMemorySize + 1, 0), DataError);
    // Blocks too short to hold a target are passed through.
    Bytes shortCall = {0xe8, 1, 2};
    EXPECT_EQ(Undo(FilterKind::E8, shortCall, {}), shortCall);
}

TEST(StandardFilters, ProgramsAreRecognisedBySizeAndCrc) {
    Bytes e8 = test::ProgramWithCrc(53, 0xad576887);
    EXPECT_EQ(IdentifyFilterProgram(e8.data(), e8.size()), FilterKind::E8);
    Bytes rgb = test::ProgramWithCrc(149, 0x1c2c5dc8);
    EXPECT_EQ(IdentifyFilterProgram(rgb.data(), rgb.size()), FilterKind::Rgb);
    Bytes itanium = test::ProgramWithCrc(120, 0x3769893f);
    EXPECT_EQ(IdentifyFilterProgram(itanium.data(), itanium.size()), FilterKind::Itanium);
    // The right CRC at another size, or one byte changed, is no standard program.
    Bytes wrongSize = test::ProgramWithCrc(54, 0xad576887);
    EXPECT_FALSE(IdentifyFilterProgram(wrongSize.data(), wrongSize.size()));
    e8[10] ^= 1;
    EXPECT_FALSE(IdentifyFilterProgram(e8.data(), e8.size()));
}

} // namespace
} // namespace rar::v29
