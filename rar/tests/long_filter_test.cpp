// Filtered ranges that straddle the window's end point: the decoder must
// gather the range from both ends of the window before undoing the filter.
#include "rar/lz/decoder.h"
#include "rar/tests/long_stream.h"
#include "rar/v29/decoder29.h"
#include "rar/v29/tests/filter_models.h"
#include "rar/v29/tests/stream_writer.h"
#include "rar/v50/decoder50.h"
#include "rar/v50/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <random>

namespace rar::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Noise(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Where each filtered range starts, as an offset back from the window's end
// point: over it by one byte, by most of the range, by half, ending exactly
// at it, and starting exactly at it.
constexpr std::size_t kRange = 3000;
constexpr std::size_t kStartsBeforeTheEnd[] = {kRange - 1, 1, kRange / 2, kRange, 0};

// What the window holds (filters work on the output only, so later matches
// copy the bytes as they were before filtering), and what comes out.
struct Output {
    Bytes window;
    Bytes expected;

    // Brings the output to `until` with long matches from 1000 bytes back.
    template <typename PutMatch, typename PutLiteral>
    void Fill(std::size_t until, std::uint32_t longest, PutMatch match, PutLiteral literal) {
        while (window.size() < until) {
            const std::size_t left = until - window.size();
            if (left < 4 || window.size() < 1000) {
                const auto byte = static_cast<std::uint8_t>(window.size() * 7);
                literal(byte);
                Append({byte}, {byte});
                continue;
            }
            const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(left, longest));
            match(length, 1000);
            for (std::uint32_t i = 0; i < length; ++i) {
                const std::uint8_t byte = window[window.size() - 1000];
                window.push_back(byte);
                expected.push_back(byte);
            }
        }
    }
    void Append(const Bytes& coded, const Bytes& plain) {
        window.insert(window.end(), coded.begin(), coded.end());
        expected.insert(expected.end(), plain.begin(), plain.end());
    }
};

// A 2.9 DELTA block: the program itself with the first block, and the
// channel count in register 0 with every block.
void PutDeltaBlock(v29::test::StreamWriter& writer, std::uint32_t channels, bool first) {
    constexpr std::uint8_t kLength = 0x20, kRegisters = 0x10;
    constexpr std::size_t kDeltaSize = 29;
    constexpr std::uint32_t kDeltaCrc = 0x0e06077d;
    v29::test::BitWriter body;
    body.PutNumber(0); // the block starts at the next byte
    body.PutNumber(kRange);
    body.Put(1, 7); // register 0 only
    body.PutNumber(channels);
    if (first) {
        body.PutNumber(kDeltaSize);
        for (std::uint8_t b : v29::test::ProgramWithCrc(kDeltaSize, kDeltaCrc))
            body.Put(b, 8);
    }
    writer.FilterBlock(kLength | kRegisters, body.Bytes());
}

TEST(LongFilter, Rar29DeltaBlocksOverTheWindowsEndPoint) {
    constexpr std::size_t kWindow = 0x40000;
    v29::test::StreamWriter writer;
    writer.Tables();
    Output out;
    std::uint32_t lap = 1;
    for (std::size_t before : kStartsBeforeTheEnd) {
        out.Fill(
            lap * kWindow - before, 258,
            [&](std::uint32_t length, std::uint32_t distance) { writer.Match(length, distance); },
            [&](std::uint8_t byte) { writer.Literal(byte); });
        const std::uint32_t channels = 1 + lap % 4;
        PutDeltaBlock(writer, channels, lap == 1);
        const Bytes data = Noise(kRange, lap);
        const Bytes coded = v29::test::EncodeDelta(data, channels);
        writer.Literals(coded);
        out.Append(coded, data);
        ++lap;
    }
    writer.EndOfEntry();
    auto decoder = MakeDecoder29(kWindow);
    EXPECT_EQ(DecodingDifference(*decoder, {writer.bits.Bytes()}, out.expected,
                                 {out.expected.size()}, kWindow),
              "");
}

TEST(LongFilter, Rar50DeltaRangesOverTheWindowsEndPoint) {
    constexpr std::size_t kWindow = 0x20000;
    v50::test::StreamWriter writer;
    Output out;
    std::uint32_t lap = 1;
    for (std::size_t before : kStartsBeforeTheEnd) {
        writer.Begin(lap % 2 == 1);
        out.Fill(
            lap * kWindow - before, 4000,
            [&](std::uint32_t length, std::uint64_t distance) { writer.Match(length, distance); },
            [&](std::uint8_t byte) { writer.Literal(byte); });
        const std::uint32_t channels = 1 + lap % 4;
        writer.Filter(0, kRange, 0, channels);
        const Bytes data = Noise(kRange, lap);
        const Bytes coded = v29::test::EncodeDelta(data, channels);
        writer.Literals(coded);
        out.Append(coded, data);
        writer.End(lap == std::size(kStartsBeforeTheEnd));
        ++lap;
    }
    auto decoder = MakeDecoder50(kWindow, false);
    EXPECT_EQ(DecodingDifference(*decoder, {writer.Stream()}, out.expected, {out.expected.size()},
                                 kWindow),
              "");
}

} // namespace
} // namespace rar::test
