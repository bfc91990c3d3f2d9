// PPMd blocks from our encoder, read back by our 2.9 decoder: alone, between
// LZ blocks, and across the entries of solid and non-solid streams.
#include "rar/lz/decoder.h"
#include "rar/ppmd/encoder.h"
#include "rar/tests/pascal_text.h"
#include "rar/tests/random_bytes.h"
#include "rar/v29/decoder29.h"
#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace rar::v29 {
namespace {

using ppmd::BlockEnd;
using ppmd::Encoder;
using ppmd::EncoderParams;
using test::StreamWriter;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kWindow = 0x400000;

Bytes Decode(Decoder& decoder, const Bytes& packed, std::uint64_t size, bool solid = false) {
    test::MemorySource source(packed);
    test::MemorySink sink;
    decoder.Decode(source, size, sink, solid);
    return sink.bytes;
}

Bytes Block(Encoder& encoder, const Bytes& data, BlockEnd end = BlockEnd::EntryEnds) {
    Bytes out;
    encoder.WriteBlock(data.data(), data.size(), end, out);
    return out;
}

void Append(StreamWriter& s, const Bytes& bytes) {
    s.bits.AlignToByte();
    for (auto byte : bytes)
        s.bits.Put(byte, 8);
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Random(std::size_t size, unsigned seed) {
    return rar::test::RandomBytes(size, seed);
}

Bytes Pascal(std::size_t size, unsigned seed = 1) {
    return rar::test::PascalText(seed).Make(size);
}

// Every byte value four times, but `escape` only where it comes before each
// code that ends a block, which makes it the rarest, the block's escape.
Bytes AllValuesWithEscape(std::uint8_t escape) {
    Bytes data;
    for (int round = 0; round < 4; ++round)
        for (unsigned b = 0; b < 256; ++b)
            if (b != escape)
                data.push_back(static_cast<std::uint8_t>(b));
    Bytes ends = {escape, 0, escape, 2};
    data.insert(data.begin() + 100, ends.begin(), ends.end());
    return data;
}

TEST(PpmdEncoder, BlocksOfEveryKindOfDataComeBackWhole) {
    struct Case {
        const char* name;
        Bytes data;
        EncoderParams params;
    };
    const Case cases[] = {
        {"empty", {}, {}},
        {"one byte", {'x'}, {}},
        {"the stream's first escape", {2}, {}},
        {"run", Bytes(200000, 'a'), {}},
        {"text", Pascal(300000), {}},
        {"random", Random(30000, 7), {}},
        // A 1 MB model fills several times over and starts again.
        {"text past the model's memory", Pascal(1000000, 2), {6, 1}},
        {"order 2", Pascal(50000), {2, 1}},
        {"order 16", Pascal(50000), {16, 1}},
        {"order 19", Pascal(50000), {19, 1}},
        {"order 64", Pascal(50000), {64, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Encoder encoder(c.params);
        auto decoder = MakeDecoder29(kWindow);
        EXPECT_EQ(Decode(*decoder, Block(encoder, c.data), c.data.size()), c.data);
    }
}

TEST(PpmdEncoder, EveryByteValueCanBeTheEscapeAndStillOccurInTheData) {
    for (unsigned escape : {0, 1, 2, 0x41, 0xff}) {
        SCOPED_TRACE(escape);
        Bytes data = AllValuesWithEscape(static_cast<std::uint8_t>(escape));
        Encoder encoder;
        Bytes packed = Block(encoder, data);
        // flags, model size, then the escape unless it is the stream's first.
        bool named = (packed[0] & 0x40) != 0;
        EXPECT_EQ(named ? packed[2] : 2, escape);
        auto decoder = MakeDecoder29(kWindow);
        EXPECT_EQ(Decode(*decoder, packed, data.size()), data);
    }
}

TEST(PpmdEncoder, TextShrinksAndTheOutputDependsOnlyOnTheInput) {
    Bytes text = Pascal(100000);
    Encoder one;
    Encoder two;
    Bytes packed = Block(one, text);
    EXPECT_LT(packed.size(), text.size() / 5);
    EXPECT_EQ(Block(two, text), packed);
}

TEST(PpmdEncoder, OrdersAndSizesTheFormatCannotNameAreRefused) {
    for (EncoderParams bad : {EncoderParams{1, 8}, EncoderParams{17, 8}, EncoderParams{65, 8},
                              EncoderParams{8, 0}, EncoderParams{8, 257}})
        EXPECT_THROW(Encoder{bad}, std::invalid_argument);
}

TEST(PpmdEncoder, BlocksBetweenLzBlocksContinueTheModel) {
    Bytes first = Pascal(20000, 3);
    Bytes second = Pascal(20000, 4);
    Encoder encoder({6, 1});
    StreamWriter s;
    s.Tables();
    s.Literals(Text("lz "));
    s.EndOfBlock();
    Append(s, Block(encoder, first, BlockEnd::SwitchToLz));
    s.Tables();
    s.Match(10, static_cast<std::uint32_t>(first.size())); // into the PPMd block's output
    s.EndOfBlock();
    Append(s, Block(encoder, second, BlockEnd::SwitchToLz));
    s.Tables(true);
    s.Literals(Text(" end"));
    s.EndOfEntry();

    Bytes expected = Text("lz ");
    expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), first.begin(), first.begin() + 10);
    expected.insert(expected.end(), second.begin(), second.end());
    Bytes end = Text(" end");
    expected.insert(expected.end(), end.begin(), end.end());
    auto decoder = MakeDecoder29(kWindow);
    EXPECT_EQ(Decode(*decoder, s.bits.Bytes(), expected.size()), expected);
}

TEST(PpmdEncoder, SolidEntriesContinueTheModelAndANewStreamStartsAfresh) {
    // The second entry repeats the first, which a model that learnt the first
    // codes in half the bytes or fewer; the last makes another byte than the
    // stream's first escape the rarest.
    const Bytes entries[] = {Pascal(30000, 5), Pascal(30000, 5), Random(5000, 9), Text("short"),
                             AllValuesWithEscape(0x41)};
    Encoder encoder({8, 2});
    auto decoder = MakeDecoder29(kWindow);
    std::vector<std::size_t> sizes;
    for (const auto& entry : entries) {
        Bytes packed = Block(encoder, entry);
        sizes.push_back(packed.size());
        EXPECT_EQ(Decode(*decoder, packed, entry.size(), sizes.size() > 1), entry);
    }
    EXPECT_LT(sizes[1], sizes[0] / 2);
    // A stream of its own, read by a decoder of its own: a fresh model, and
    // the escape byte every stream starts with, which is in the data, so that
    // the block must name another.
    encoder.StartStream();
    Bytes fresh = Text("\x02 a stream of its own");
    auto another = MakeDecoder29(kWindow);
    EXPECT_EQ(Decode(*another, Block(encoder, fresh), fresh.size()), fresh);
}

// The coder may hand over its last packed byte before the entry's end
// marker is coded in full; the marker is still read, from the zeros past the
// end, as the official library reads it, so the next solid entry decodes
// with the model in step.
TEST(PpmdEncoder, EndMarkerBeyondTheLastPackedByteIsStillRead) {
    for (unsigned order : {8u, 16u}) {
        Encoder encoder({order, 1});
        auto decoder = MakeDecoder29(kWindow);
        for (std::size_t size = 1; size <= 40; ++size) {
            const Bytes entry(size, 'r');
            EXPECT_EQ(Decode(*decoder, Block(encoder, entry), size, size > 1), entry)
                << "order " << order << ", " << size << " bytes";
        }
    }
}

TEST(PpmdEncoder, ACopyTriesABlockWithoutDisturbingTheOriginal) {
    Bytes first = Pascal(20000, 6);
    Bytes second = Pascal(20000, 7);
    Encoder encoder({6, 1});
    Bytes packedFirst = Block(encoder, first);
    Encoder trial = encoder;
    Bytes tried = Block(trial, second);
    Block(trial, first);

    Bytes packedSecond = Block(encoder, second);
    EXPECT_EQ(packedSecond, tried);
    auto decoder = MakeDecoder29(kWindow);
    EXPECT_EQ(Decode(*decoder, packedFirst, first.size()), first);
    EXPECT_EQ(Decode(*decoder, packedSecond, second.size(), true), second);
}

} // namespace
} // namespace rar::v29
