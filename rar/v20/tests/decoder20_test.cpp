// The 2.0 decoder on streams written bit by bit: each kind of match, block
// headers, solid entries, windows smaller than the output, and damage.
#include "rar/v20/decoder20.h"
#include "rar/v20/tests/stream_writer.h"

#include <gtest/gtest.h>

namespace rar::v20::testing {
namespace {

// The bytes a stream should produce, built the way the decoder builds them.
struct Expected {
    void Literal(std::uint8_t b) { bytes.push_back(b); }
    void Copy(std::size_t distance, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i)
            bytes.push_back(bytes[bytes.size() - distance]);
    }
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> DecodeStream(Decoder& decoder, const StreamWriter& w, std::size_t size,
                                       bool solid = false) {
    MemorySource source(w.Bytes());
    MemorySink sink;
    decoder.Decode(source, size, sink, solid);
    return sink.bytes;
}

void LiteralsInto(StreamWriter& w, Expected& e, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        auto b = static_cast<std::uint8_t>(i * 7 + i / 251);
        w.Literal(b);
        e.Literal(b);
    }
}

// A stream that opens with the plain tables, and the bytes it must give.
class Decoder20Stream : public ::testing::Test {
  protected:
    Decoder20Stream() { w_.Tables(PlainLengths(), {}, false); }
    void ExpectDecoded(std::size_t window = 1 << 16) {
        auto decoder = MakeDecoder20(window);
        EXPECT_EQ(DecodeStream(*decoder, w_, e_.bytes.size()), e_.bytes);
    }
    StreamWriter w_;
    Expected e_;
};

// A block header with a sound length code whose first length says "repeat
// the previous one", before there is any.
void RepeatBeforeAnyLength(StreamWriter& w) {
    w.Put(0, 2);
    for (int i = 0; i < 19; ++i)
        w.Put(5, 4);
    w.Put(16, 5);
}

TEST_F(Decoder20Stream, EveryKindOfMatchCopiesTheRightBytes) {
    for (char c : std::string("abcdefgh")) {
        w_.Literal(static_cast<std::uint8_t>(c));
        e_.Literal(static_cast<std::uint8_t>(c));
    }
    w_.Symbol(270); // length slot 0: 3 bytes
    w_.Distance(3); // distance 4
    e_.Copy(4, 3);
    w_.Symbol(261); // short match: 2 bytes from distance 1 + 2-bit extra
    w_.Put(1, 2);
    e_.Copy(2, 2);
    w_.Symbol(256); // the last match again
    e_.Copy(2, 2);
    w_.Symbol(259); // the third most recent distance (4), length slot 1: 3 bytes
    w_.LengthSlot(1);
    e_.Copy(4, 3);
    w_.Symbol(270 + 8); // length 11 + 1-bit extra
    w_.Put(1, 1);
    w_.Distance(4); // distance 5 + 1-bit extra
    w_.Put(1, 1);
    e_.Copy(6, 12);

    ExpectDecoded();
}

TEST_F(Decoder20Stream, FarMatchesGrowByTheirDistance) {
    LiteralsInto(w_, e_, 0x40000);
    w_.Symbol(270);
    w_.Distance(25); // 6145 + 11 bits: just under 0x2000
    w_.Put(2046, 11);
    e_.Copy(0x1fff, 3);
    w_.Symbol(270);
    w_.Distance(25);
    w_.Put(2047, 11); // exactly 0x2000: one longer
    e_.Copy(0x2000, 4);
    w_.Symbol(257); // the same distance again, length slot 0: 2 + 2
    w_.LengthSlot(0);
    e_.Copy(0x2000, 4);
    w_.Symbol(259); // 0x1fff, three matches back: 2 + 1
    w_.LengthSlot(0);
    e_.Copy(0x1fff, 3);
    w_.Symbol(270);
    w_.Distance(35); // 196609 + 16 bits: exactly 0x40000, two longer
    w_.Put(65535, 16);
    e_.Copy(0x40000, 5);
    w_.Symbol(257); // repeated from that far: 2 + 3
    w_.LengthSlot(0);
    e_.Copy(0x40000, 5);

    ExpectDecoded(1 << 20);
}

TEST_F(Decoder20Stream, BlockHeaderMidStreamChangesTheCodes) {
    LiteralsInto(w_, e_, 10);
    w_.Symbol(269);
    w_.Tables(LiteralOnlyLengths(), PlainLengths(), true);
    for (int i = 0; i < 10; ++i) {
        w_.Put(static_cast<std::uint32_t>(200 + i), 8);
        e_.Literal(static_cast<std::uint8_t>(200 + i));
    }
    ExpectDecoded();
}

TEST(Decoder20, SolidEntryContinuesWindowCodesAndDistances) {
    auto decoder = MakeDecoder20(1 << 16);
    StreamWriter first;
    Expected e;
    first.Tables(PlainLengths(), {}, false);
    LiteralsInto(first, e, 2000);
    first.Symbol(261 + 7); // short match: 193 + 6 bits
    first.Put(0, 6);
    e.Copy(193, 2);
    ASSERT_EQ(DecodeStream(*decoder, first, e.bytes.size()), e.bytes);

    StreamWriter second; // no block header: the codes carry over
    second.Symbol(270);
    second.Distance(20); // 1025 + 9 bits
    second.Put(0, 9);
    second.Symbol(258); // two matches back (193), length slot 2: 4 bytes
    second.LengthSlot(2);
    Expected more = e;
    more.Copy(1025, 3);
    more.Copy(193, 4);
    std::vector<std::uint8_t> tail(more.bytes.begin() + 2002, more.bytes.end());
    EXPECT_EQ(DecodeStream(*decoder, second, tail.size(), true), tail);
}

TEST(Decoder20, HeaderAfterTheLastByteServesTheSolidSuccessor) {
    auto decoder = MakeDecoder20(1 << 16);
    StreamWriter first;
    Expected e;
    first.Tables(PlainLengths(), {}, false);
    LiteralsInto(first, e, 5);
    first.Symbol(269);
    first.Tables(LiteralOnlyLengths(), PlainLengths(), true);
    ASSERT_EQ(DecodeStream(*decoder, first, 5), e.bytes);

    StreamWriter second;
    second.Put('x', 8);
    second.Put('y', 8);
    EXPECT_EQ(DecodeStream(*decoder, second, 2, true), (std::vector<std::uint8_t>{'x', 'y'}));
}

TEST_F(Decoder20Stream, MultimediaBlockBetweenLzBlocks) {
    LiteralsInto(w_, e_, 4);
    w_.Symbol(269);
    w_.AudioTables(2);
    // Before their weights adapt, both channels predict their own last byte
    // and the symbol is what that prediction overshoots by.
    const std::uint8_t deltas[] = {1, 0xfe, 3, 4, 0, 0x80};
    std::uint8_t last[2] = {0, 0};
    for (unsigned i = 0; i < 6; ++i) {
        w_.Put(deltas[i], 9);
        last[i % 2] = static_cast<std::uint8_t>(last[i % 2] - deltas[i]);
        e_.Literal(last[i % 2]);
    }
    w_.Put(256, 9);
    w_.Tables(PlainLengths(), {}, false);
    w_.Symbol(261); // 2 bytes from distance 3
    w_.Put(2, 2);
    e_.Copy(3, 2);
    ExpectDecoded();
}

TEST_F(Decoder20Stream, HugeDictionaryClaimStillDecodes) {
    LiteralsInto(w_, e_, 3);
    // No 2.0 distance reaches past 1 MB, so a larger claim must not be
    // allocated (or refused for lack of memory).
    ExpectDecoded(std::size_t{1} << (sizeof(std::size_t) * 8 - 2));
}

TEST(Decoder20, NonSolidEntryForgetsThePreviousOne) {
    auto decoder = MakeDecoder20(1 << 16);
    StreamWriter first;
    Expected e;
    first.Tables(PlainLengths(), {}, false);
    LiteralsInto(first, e, 50);
    ASSERT_EQ(DecodeStream(*decoder, first, 50), e.bytes);

    StreamWriter second;
    second.Tables(PlainLengths(), {}, false);
    second.Literal('q');
    second.Symbol(270 + 4); // 7 bytes from distance 10: before this entry
    second.Distance(8);
    second.Put(1, 3);
    std::vector<std::uint8_t> expected{'q', 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(DecodeStream(*decoder, second, expected.size()), expected);
}

TEST_F(Decoder20Stream, OutputLongerThanTheWindowWrapsIntact) {
    LiteralsInto(w_, e_, 40000);
    // Matches of 259 bytes from 40000 back keep overwriting the window
    // while its oldest bytes still wait to be written out.
    while (e_.bytes.size() < 300000) {
        w_.Symbol(270 + 27); // 227 + 31, and one more for the distance
        w_.Put(31, 5);
        w_.Distance(30); // 32769 + 14 bits
        w_.Put(40000 - 32769, 14);
        e_.Copy(40000, 259);
    }
    ExpectDecoded();
}

void ExpectRefused(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    auto decoder = MakeDecoder20(1 << 16);
    MemorySource source(bytes);
    MemorySink sink;
    EXPECT_THROW(decoder->Decode(source, size, sink, false), DataError);
}

TEST(Decoder20, DamagedStreamsAreRefused) {
    ExpectRefused({}, 10);

    StreamWriter cut;
    cut.Tables(PlainLengths(), {}, false);
    for (int i = 0; i < 100; ++i)
        cut.Literal('a');
    std::vector<std::uint8_t> bytes = cut.Bytes();
    bytes.resize(bytes.size() - 20);
    ExpectRefused(bytes, 100);

    StreamWriter unassigned; // only 'a' has a code, 1 bit long: "1" is no code
    Lengths lone{};
    lone['a'] = 1;
    unassigned.Tables(lone, {}, false);
    unassigned.Put(0xff, 8);
    ExpectRefused(unassigned.Bytes(), 8);

    StreamWriter crowded; // three 1-bit codes cannot exist
    Lengths three{};
    three[0] = three[1] = three[2] = 1;
    crowded.Tables(three, {}, false);
    ExpectRefused(crowded.Bytes(), 1);

    StreamWriter repeatFirst;
    RepeatBeforeAnyLength(repeatFirst);
    repeatFirst.Put(0, 32);
    ExpectRefused(repeatFirst.Bytes(), 1);
}

TEST(Decoder20, FailedEntryRefusesItsSolidSuccessor) {
    auto decoder = MakeDecoder20(1 << 16);
    StreamWriter first;
    first.Tables(PlainLengths(), {}, false);
    first.Literal('a');
    EXPECT_THROW(DecodeStream(*decoder, first, 1000), DataError);
    StreamWriter second;
    second.Literal('b');
    EXPECT_THROW(DecodeStream(*decoder, second, 1, true), DataError);
}

TEST(Decoder20, DamagedTrailingHeaderSpoilsOnlyTheSolidSuccessor) {
    auto decoder = MakeDecoder20(1 << 16);
    StreamWriter first;
    Expected e;
    first.Tables(PlainLengths(), {}, false);
    LiteralsInto(first, e, 5);
    first.Symbol(269);
    RepeatBeforeAnyLength(first);
    first.Put(0, 16);
    EXPECT_EQ(DecodeStream(*decoder, first, 5), e.bytes);

    StreamWriter second;
    second.Literal('z');
    EXPECT_THROW(DecodeStream(*decoder, second, 1, true), DataError);
    StreamWriter fresh;
    fresh.Tables(PlainLengths(), {}, false);
    fresh.Literal('z');
    EXPECT_EQ(DecodeStream(*decoder, fresh, 1), (std::vector<std::uint8_t>{'z'}));
}

} // namespace
} // namespace rar::v20::testing
