#include "rar/lz/decoder.h"
#include "rar/v29/decoder29.h"
#include "rar/v29/tests/filter_models.h"
#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace rar::v29 {
namespace {

using test::Bytes;
using test::StreamWriter;

constexpr std::size_t kWindow = 0x100000;

Bytes Decode(Decoder& decoder, const StreamWriter& stream, std::uint64_t size, bool solid = false) {
    test::MemorySource source(stream.bits.Bytes());
    test::MemorySink sink;
    decoder.Decode(source, size, sink, solid);
    return sink.bytes;
}

Bytes Decode(const StreamWriter& stream, std::uint64_t size) {
    auto decoder = MakeDecoder29(kWindow);
    return Decode(*decoder, stream, size);
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// What a match copies, byte by byte (overlapping copies repeat the pattern).
void CopyBack(Bytes& out, std::size_t distance, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        out.push_back(out[out.size() - distance]);
}

TEST(Decoder29, MatchKindsRebuildTheText) {
    StreamWriter s;
    s.Tables();
    s.Literals(Text("abc"));
    s.Match(9, 3);       // abcabcabc (overlapping)
    s.ShortMatch(2);     // bc
    s.OldDistance(1, 4); // the distance before the last: 3
    s.RepeatLast();      // the last length and distance once more
    s.Literal('!');
    s.EndOfEntry();
    Bytes expected = Text("abc");
    CopyBack(expected, 3, 9);
    CopyBack(expected, 2, 2);
    CopyBack(expected, 3, 4);
    CopyBack(expected, 3, 4);
    expected.push_back('!');
    EXPECT_EQ(Decode(s, expected.size()), expected);
}

TEST(Decoder29, FarMatchesStartAtHigherLengthsAndReuseLowBits) {
    std::mt19937 rng(1);
    Bytes expected(0x41000);
    for (auto& b : expected)
        b = static_cast<std::uint8_t>(rng());
    StreamWriter s;
    s.Tables();
    s.Literals(expected);
    // 0x2005 and 0x40010 need the length bonus; 0x123 + 0x2000 * k go
    // through the low-distance code, the last one with its repeat symbol.
    s.Match(20, 0x2005);
    CopyBack(expected, 0x2005, 20);
    s.Match(7, 0x40010);
    CopyBack(expected, 0x40010, 7);
    s.Match(5, 0x3123);
    CopyBack(expected, 0x3123, 5);
    s.Match(6, 0x5123, true);
    CopyBack(expected, 0x5123, 6);
    s.Match(258, 99); // low bits 2 again, taken from the repeat
    CopyBack(expected, 99, 258);
    s.EndOfEntry();
    EXPECT_EQ(Decode(s, expected.size()), expected);
}

TEST(Decoder29, NewTablesInsideAnEntryContinueIt) {
    StreamWriter s;
    s.Tables();
    s.Literals(Text("first "));
    s.NewTables(true);
    s.Literals(Text("second "));
    s.NewTables(false);
    s.Match(6, 13);
    s.EndOfEntry();
    EXPECT_EQ(Decode(s, 19), Text("first second first "));
}

TEST(Decoder29, SolidEntriesContinueTheWindowAndTables) {
    auto decoder = MakeDecoder29(kWindow);
    StreamWriter one;
    one.Tables();
    one.Literals(Text("hello world"));
    one.EndOfEntry(false);
    EXPECT_EQ(Decode(*decoder, one, 11), Text("hello world"));

    // No tables: the previous entry's are still in force, and so are its
    // bytes and distances.
    StreamWriter two;
    two.Match(5, 11);
    two.RepeatLast();
    two.EndOfEntry(true);
    EXPECT_EQ(Decode(*decoder, two, 10, true), Text("hello worl"));

    // The previous entry asked for new tables.
    StreamWriter three;
    three.Tables();
    three.OldDistance(0, 3);
    three.EndOfEntry();
    EXPECT_EQ(Decode(*decoder, three, 3, true), Text("dhe"));

    // A non-solid entry starts from nothing: it must bring its tables.
    StreamWriter four;
    four.Literal('x');
    EXPECT_THROW(Decode(*decoder, four, 1, false), DataError);
}

TEST(Decoder29, SolidEntriesAfterAPpmdBlockStartWithABlockHeader) {
    auto decoder = MakeDecoder29(kWindow);
    StreamWriter one;
    one.Tables();
    one.Literals(Text("lz "));
    one.EndOfBlock();
    one.FreshPpmdBlock('p');
    EXPECT_EQ(Decode(*decoder, one, 4), Text("lz p"));

    // Although LZ tables were read before the PPMd block; they still hold.
    StreamWriter two;
    two.Tables(true);
    two.Literals(Text("ok "));
    two.Match(4, 7);
    two.EndOfEntry(true);
    EXPECT_EQ(Decode(*decoder, two, 7, true), Text("ok lz p"));

    // The header an LZ entry's end asks for may start a PPMd block too.
    StreamWriter three;
    three.FreshPpmdBlock('q');
    EXPECT_EQ(Decode(*decoder, three, 1, true), Text("q"));

    StreamWriter four;
    four.Tables(true);
    four.Match(3, 4);
    four.EndOfEntry();
    EXPECT_EQ(Decode(*decoder, four, 3, true), Text("z p"));
}

TEST(Decoder29, OutputStopsAtTheEntrySize) {
    StreamWriter s;
    s.Tables();
    s.Literals(Text("0123456789"));
    s.EndOfEntry();
    EXPECT_EQ(Decode(s, 4), Text("0123"));
    // An empty entry without data decodes to nothing, even in a fresh stream.
    EXPECT_TRUE(Decode(StreamWriter(), 0).empty());
}

TEST(Decoder29, CorruptStreamsAreDataErrors) {
    StreamWriter shortEntry;
    shortEntry.Tables();
    shortEntry.Literals(Text("abc"));
    shortEntry.EndOfEntry();
    EXPECT_THROW(Decode(shortEntry, 4), DataError);

    StreamWriter cutOff;
    cutOff.Tables();
    cutOff.Literals(Text("abc"));
    EXPECT_THROW(Decode(cutOff, 1000), DataError);

    StreamWriter ppmd;
    ppmd.bits.Put(0x80, 8);
    ppmd.bits.Put(0, 16);
    EXPECT_THROW(Decode(ppmd, 10), DataError);

    // Code lengths whose very first entry repeats "the previous" one.
    StreamWriter repeatFirst;
    repeatFirst.bits.Put(0, 2);
    for (int i = 0; i < 20; ++i)
        repeatFirst.bits.Put(5, 4);
    repeatFirst.bits.Put(16, 5);
    repeatFirst.bits.Put(0, 3);
    repeatFirst.bits.Put(0, 32);
    EXPECT_THROW(Decode(repeatFirst, 10), DataError);

    // A filter program that is none of the standard ones.
    StreamWriter unknownProgram;
    unknownProgram.Tables();
    test::BitWriter body;
    body.PutNumber(0);  // block offset
    body.PutNumber(10); // block length
    body.PutNumber(40); // program size
    for (int i = 0; i < 40; ++i)
        body.Put(static_cast<std::uint32_t>(i), 8);
    unknownProgram.FilterBlock(0x20, body.Bytes());
    unknownProgram.Literals(Text("0123456789"));
    unknownProgram.EndOfEntry();
    EXPECT_THROW(Decode(unknownProgram, 10), DataError);
}

TEST(Decoder29, AFailedEntryEndsTheSolidStream) {
    auto decoder = MakeDecoder29(kWindow);
    // Cut off in the middle: decoded bytes are left undelivered.
    StreamWriter bad;
    bad.Tables();
    bad.Literals(Text("ab"));
    EXPECT_THROW(Decode(*decoder, bad, 5), DataError);
    StreamWriter next;
    next.Literal('c');
    next.EndOfEntry();
    EXPECT_THROW(Decode(*decoder, next, 1, true), DataError);
    // A new non-solid entry starts over, with none of those bytes.
    StreamWriter fresh;
    fresh.Tables();
    fresh.Literal('d');
    fresh.EndOfEntry();
    EXPECT_EQ(Decode(*decoder, fresh, 1, false), Text("d"));
}

TEST(Decoder29, WindowLargerThanMemoryIsAMemoryError) {
    auto decoder = MakeDecoder29(SIZE_MAX);
    StreamWriter s;
    s.Tables();
    s.Literal('a');
    s.EndOfEntry();
    test::MemorySource source(s.bits.Bytes());
    test::MemorySink sink;
    EXPECT_THROW(decoder->Decode(source, 1, sink, false), MemoryError);
}

TEST(Decoder29, RandomBitsNeverEscapeAsAnythingButDataErrors) {
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        StreamWriter s;
        s.Tables();
        for (int i = 0; i < 200; ++i)
            s.bits.Put(rng(), 32);
        test::MemorySource source(s.bits.Bytes());
        test::MemorySink sink;
        auto decoder = MakeDecoder29(0x10000);
        try {
            decoder->Decode(source, 1 + rng() % 100000, sink, false);
        } catch (const DataError&) {
        }
        EXPECT_LE(sink.bytes.size(), 100000u);
    }
}

} // namespace
} // namespace rar::v29
