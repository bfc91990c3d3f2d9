// Whole packed streams, written by the test encoder, through the decoder's
// public interface.
#include "rar/lz/decoder.h"
#include "rar/v50/decoder50.h"
#include "rar/v50/filters.h"
#include "rar/v50/tests/stream_writer.h"
#include "rar/v50/tests/test_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace rar::v50 {
namespace {

using test::MemorySink;
using test::MemorySource;
using test::NoiseBytes;
using test::StreamOptions;
using test::StreamWriter;

constexpr std::size_t kSmallWindow = 0x20000;

std::vector<std::uint8_t> Unpack(Decoder& decoder, const std::vector<std::uint8_t>& packed,
                                 std::uint64_t size, bool solid = false,
                                 std::size_t chunk = 1 << 20) {
    MemorySource source(packed, chunk);
    MemorySink sink;
    decoder.Decode(source, size, sink, solid);
    return sink.bytes;
}

std::vector<std::uint8_t> Unpack(const StreamWriter& writer, std::size_t window = kSmallWindow,
                                 std::size_t chunk = 1 << 20) {
    auto decoder = MakeDecoder50(window, false);
    return Unpack(*decoder, writer.Stream(), writer.Plain().size(), false, chunk);
}

void ExpectDataError(const std::vector<std::uint8_t>& packed, std::uint64_t size,
                     std::size_t window = kSmallWindow) {
    auto decoder = MakeDecoder50(window, false);
    MemorySource source(packed);
    MemorySink sink;
    EXPECT_THROW(decoder->Decode(source, size, sink, false), DataError);
}

// A stream of literals and matches of all kinds, in several blocks.
StreamWriter MixedStream(StreamOptions options = {}) {
    StreamWriter w(options);
    w.Begin(true);
    w.Literals(NoiseBytes(300, 1));
    w.Match(5, 3);
    w.Match(40, 1);     // overlapping run
    w.Match(12, 0x101); // one past the first length bonus
    w.RepeatLast();
    w.RepeatDistance(1, 7);
    w.RepeatDistance(0, 300);
    w.End(false);
    w.Begin(false); // reuses the tables
    w.Literals(NoiseBytes(9000, 2));
    w.Match(100, 0x2001);
    w.RepeatDistance(3, 4);
    w.RepeatDistance(2, 4097);
    w.Match(2 + 2, 0x2000 + 7);
    w.RepeatDistance(1, 33);
    w.RepeatDistance(3, 10); // the oldest distance, after all the moves
    w.RepeatDistance(2, 6);
    w.End(false);
    w.Begin(true);
    w.Literals(NoiseBytes(1000, 3));
    w.Match(9, 8);
    w.End(true);
    return w;
}

TEST(Decoder50, UnpacksLiteralsMatchesAndRepeats) {
    StreamWriter w = MixedStream();
    EXPECT_EQ(Unpack(w), w.Plain());
    // The same stream handed over a few bytes at a time.
    EXPECT_EQ(Unpack(w, kSmallWindow, 3), w.Plain());
}

TEST(Decoder50, ReadsTablesCodedWithRepeatsAndExtendedDistanceTables) {
    StreamWriter runs = MixedStream({false, true});
    EXPECT_EQ(Unpack(runs), runs.Plain());

    StreamWriter extended = MixedStream({true, false});
    auto decoder = MakeDecoder50(kSmallWindow, true);
    EXPECT_EQ(Unpack(*decoder, extended.Stream(), extended.Plain().size()), extended.Plain());
    // Read with the 64-entry distance table, the tables after it shift.
    auto plain = MakeDecoder50(kSmallWindow, false);
    EXPECT_ANY_THROW(Unpack(*plain, extended.Stream(), extended.Plain().size()));
}

TEST(Decoder50, AddsTheLengthBonusOfFarDistances) {
    StreamWriter w;
    w.Begin(true);
    w.Literals(NoiseBytes(0x50000, 4));
    for (std::uint64_t distance :
         {0x100u, 0x101u, 0x2000u, 0x2001u, 0x40000u, 0x40001u, 0x4fff0u}) {
        w.Match(std::uint32_t(StreamWriter::LengthBonus(distance) + 3), distance);
    }
    w.End(true);
    EXPECT_EQ(Unpack(w, 0x80000), w.Plain());
}

TEST(Decoder50, WrapsRoundASmallWindow) {
    StreamWriter w;
    w.Begin(true);
    w.Literals(NoiseBytes(kSmallWindow, 40));
    for (int round = 0; round < 12; ++round) {
        w.Literals(NoiseBytes(20000 + round * 977, round));
        w.Match(4000, 0x1ffff); // from just inside the far end of the ring
        w.Match(4099, 30000);
        w.RepeatDistance(1, 4097);
    }
    w.End(true);
    ASSERT_GT(w.Plain().size(), 3 * kSmallWindow);
    EXPECT_EQ(Unpack(w), w.Plain());
}

std::vector<std::uint8_t> WithE8(std::vector<std::uint8_t> code, std::uint32_t fileOffset) {
    // Absolute targets that the filter turns into relative ones.
    for (std::size_t i = 0; i + 5 <= code.size(); i += 50) {
        code[i] = i % 100 == 0 ? 0xe8 : 0xe9;
        code[i + 1] = std::uint8_t(i + fileOffset + 100);
        code[i + 2] = std::uint8_t((i + fileOffset) >> 8);
        code[i + 3] = 0;
        code[i + 4] = 0;
    }
    return code;
}

// The filters themselves are checked against the compressor's transforms in
// filters_test.cpp; here the question is which bytes they get, and where.
TEST(Decoder50, AppliesFiltersToTheirRangesOnly) {
    StreamWriter w;
    w.Begin(true);
    w.Literals(NoiseBytes(1000, 5));
    // An E8 range that starts 200 bytes later and ends before a delta range.
    w.Filter(200, 3000, 1);
    w.Literals(WithE8(NoiseBytes(4000, 6), 1000));
    w.Filter(0, 1024, 0, 4);
    w.Literals(NoiseBytes(2000, 7));
    w.Filter(0, 3000, 2);
    w.Literals(WithE8(NoiseBytes(3000, 8), 7000));
    w.Filter(0, 2000, 3);
    std::vector<std::uint8_t> arm = NoiseBytes(2000, 9);
    for (std::size_t i = 3; i < arm.size(); i += 8) {
        arm[i] = 0xeb;
    }
    w.Literals(arm);
    w.End(true);
    std::vector<std::uint8_t> expected = w.Plain();
    UndoE8(&expected[1200], 3000, 1200, false);
    UndoDelta(&w.Plain()[5000], &expected[5000], 1024, 4);
    UndoE8(&expected[7000], 3000, 7000, true);
    UndoArm(&expected[10000], 2000, 10000);
    ASSERT_NE(expected, w.Plain());
    EXPECT_EQ(Unpack(w), expected);
}

TEST(Decoder50, HoldsAFilterRangeLongerThanTheWindow) {
    StreamWriter w;
    w.Begin(true);
    w.Filter(10, 0x60000, 0, 1);
    for (int i = 0; i < 6; ++i) {
        w.Literals(NoiseBytes(0x10000, 10 + i));
        for (int k = 0; k < 8; ++k) {
            w.Match(4000, 0x10000);
        }
        w.RepeatLast();
    }
    w.End(true);
    std::vector<std::uint8_t> expected = w.Plain();
    UndoDelta(&w.Plain()[10], &expected[10], 0x60000, 1);
    EXPECT_EQ(Unpack(w), expected);
}

TEST(Decoder50, ContinuesASolidStreamAndRestartsANewOne) {
    auto decoder = MakeDecoder50(0x40000, false);
    StreamWriter w;
    w.Begin(true);
    w.Literals(NoiseBytes(70000, 20));
    w.End(true);
    std::vector<std::uint8_t> first = w.Plain();
    ASSERT_EQ(Unpack(*decoder, w.Stream(), first.size()), first);

    // The second entry refers back into the first and uses its tables; its
    // E8 offsets count from its own start.
    w.NextEntry();
    w.Begin(false);
    w.Match(500, 60000);
    w.Filter(0, 2000, 1);
    w.Literals(WithE8(NoiseBytes(2000, 21), 500));
    w.End(true);
    std::vector<std::uint8_t> second(w.Plain().begin() + 70000, w.Plain().end());
    UndoE8(&second[500], 2000, 500, false);
    EXPECT_EQ(Unpack(*decoder, w.Stream(), second.size(), true), second);

    // Not solid: neither the history nor the tables are there any more.
    EXPECT_THROW(Unpack(*decoder, w.Stream(), second.size(), false), DataError);
    StreamWriter fresh;
    fresh.Begin(true);
    fresh.Literals({1, 2});
    fresh.Match(10, 2);
    fresh.End(true);
    EXPECT_EQ(Unpack(*decoder, fresh.Stream(), fresh.Plain().size(), false), fresh.Plain());
}

TEST(Decoder50, WritesNoMoreThanTheEntrySizeAndNothingForAnEmptyEntry) {
    StreamWriter w = MixedStream();
    auto decoder = MakeDecoder50(kSmallWindow, false);
    std::vector<std::uint8_t> head(w.Plain().begin(), w.Plain().begin() + 5000);
    EXPECT_EQ(Unpack(*decoder, w.Stream(), head.size()), head);
    EXPECT_TRUE(Unpack(*decoder, {}, 0).empty());
}

TEST(Decoder50, RefusesCorruptStreams) {
    StreamWriter w = MixedStream();
    const std::vector<std::uint8_t>& good = w.Stream();
    std::uint64_t size = w.Plain().size();

    std::vector<std::uint8_t> badChecksum = good;
    badChecksum[1] ^= 1;
    ExpectDataError(badChecksum, size);
    std::vector<std::uint8_t> fourSizeBytes = good;
    fourSizeBytes[0] |= 0x18;
    ExpectDataError(fourSizeBytes, size);
    for (std::size_t keep : {std::size_t(0), std::size_t(2), good.size() / 2, good.size() - 1}) {
        ExpectDataError(std::vector<std::uint8_t>(good.begin(), good.begin() + keep), size);
    }
    ExpectDataError(good, size + 1);

    StreamWriter noTables;
    noTables.Begin(false);
    noTables.Literal(1);
    noTables.End(true);
    ExpectDataError(noTables.Stream(), 1);

    StreamWriter repeatFirst;
    repeatFirst.Begin(false);
    for (int i = 0; i < 20; ++i) {
        repeatFirst.Body().Put(5, 4);
    }
    repeatFirst.Body().Put(16, 5);
    repeatFirst.Body().Put(0, 3);
    repeatFirst.End(true);
    std::vector<std::uint8_t> withFlag = repeatFirst.Stream();
    withFlag[0] |= 0x80;
    withFlag[1] ^= 0x80;
    ExpectDataError(withFlag, 1);
}

TEST(Decoder50, RefusesMatchesAndFiltersOutsideTheirLimits) {
    auto stream = [](auto&& body) {
        StreamWriter w;
        w.Begin(true);
        w.Literals(NoiseBytes(100, 30));
        body(w);
        w.End(true);
        return w;
    };
    StreamWriter beforeStart = stream([](StreamWriter& w) { w.Match(4, 101); });
    ExpectDataError(beforeStart.Stream(), beforeStart.Plain().size());
    StreamWriter unsetDistance = stream([](StreamWriter& w) { w.RepeatDistance(2, 4); });
    ExpectDataError(unsetDistance.Stream(), unsetDistance.Plain().size());
    StreamWriter unknownType = stream([](StreamWriter& w) { w.Filter(0, 10, 5); });
    ExpectDataError(unknownType.Stream(), unknownType.Plain().size());
    StreamWriter tooLong = stream([](StreamWriter& w) { w.Filter(0, 0x400001, 1); });
    ExpectDataError(tooLong.Stream(), tooLong.Plain().size());
    StreamWriter overlapping = stream([](StreamWriter& w) {
        w.Filter(0, 50, 1);
        w.Filter(10, 50, 1);
    });
    ExpectDataError(overlapping.Stream(), overlapping.Plain().size());
    // Slot 79 of the extended table: a distance far past any window here.
    StreamWriter far({true, false});
    far.Begin(true);
    far.Literal(0);
    far.Body().Put(262, StreamWriter::kMainBits);
    far.Body().Put(79, StreamWriter::kDistanceBits);
    far.Body().Put(0, 34);
    far.Body().Put(0, StreamWriter::kLowBits);
    far.End(true);
    auto decoder = MakeDecoder50(kSmallWindow, true);
    EXPECT_THROW(Unpack(*decoder, far.Stream(), 10), DataError);
}

TEST(Decoder50, ReportsAWindowTheMachineCannotGive) {
    auto decoder = MakeDecoder50(std::numeric_limits<std::size_t>::max() - 4096, false);
    StreamWriter w = MixedStream();
    MemorySource source(w.Stream());
    MemorySink sink;
    // Unknown size: the whole window is needed.
    EXPECT_THROW(decoder->Decode(source, std::numeric_limits<std::uint64_t>::max(), sink, false),
                 MemoryError);
    // Nor can an entry nearly as large as the window.
    MemorySource again(w.Stream());
    EXPECT_THROW(
        decoder->Decode(again, std::numeric_limits<std::size_t>::max() - 8192, sink, false),
        MemoryError);
    // A small entry needs only a small part of it.
    EXPECT_EQ(Unpack(*decoder, w.Stream(), w.Plain().size()), w.Plain());
}

} // namespace
} // namespace rar::v50
