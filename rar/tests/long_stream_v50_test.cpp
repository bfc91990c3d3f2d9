// The 5.0 decoder over streams several windows long: matches of up to 4 KB
// over the window's end, many blocks in one entry, and solid entries cut at
// and beside the wrap point.
#include "rar/decoder.h"
#include "rar/tests/long_stream.h"
#include "rar/v50/tests/stream_writer.h"

#include <gtest/gtest.h>

namespace rar::test {
namespace {

// The smallest window the method has.
constexpr std::size_t kWindow = 0x20000;

MatchRules Rules() {
    using v50::test::StreamWriter;
    return {kWindow, [](std::uint64_t d) { return 2 + StreamWriter::LengthBonus(d); },
            [](std::uint64_t d) { return 4097 + StreamWriter::LengthBonus(d); }};
}

// Blocks carry the same tables or none, in turn; so does the first block of
// every entry after the first.
std::vector<std::vector<std::uint8_t>> Encode(const LongStream& stream) {
    std::vector<std::vector<std::uint8_t>> entries;
    v50::test::StreamWriter writer;
    writer.Begin(true);
    bool tables = true;
    for (const StreamStep& step : stream.steps) {
        switch (step.kind) {
        case StreamStep::Kind::Literal:
            writer.Literal(step.byte);
            break;
        case StreamStep::Kind::Match:
            writer.Match(step.length, step.distance);
            break;
        case StreamStep::Kind::NewBlock:
            writer.End(false);
            tables = !tables;
            writer.Begin(tables);
            break;
        case StreamStep::Kind::EndEntry:
            writer.End(true);
            entries.push_back(writer.Stream());
            writer.NextEntry();
            tables = !tables;
            writer.Begin(tables);
            break;
        }
    }
    return entries;
}

TEST(LongStream50, OneEntryOfManyBlocksWrapsTheWindowCorrectly) {
    const LongStream stream = MakeLongStream(Rules(), 8, false, 50);
    ASSERT_GE(stream.bytes.size(), 7 * kWindow);
    EXPECT_GE(stream.outputWraps, 5u);
    EXPECT_GE(stream.sourceWraps, 21u);
    EXPECT_GE(stream.longestWraps, 26u);
    EXPECT_GE(stream.blocks, 20u);
    auto decoder = MakeDecoder50(kWindow, false);
    EXPECT_EQ(DecodingDifference(*decoder, Encode(stream), stream), "");
}

TEST(LongStream50, SolidEntriesContinueAcrossTheWrapPoint) {
    const LongStream stream = MakeLongStream(Rules(), 8, true, 5050);
    ASSERT_GE(stream.entryEnds.size(), 6u);
    EXPECT_GE(stream.outputWraps, 3u);
    EXPECT_GE(stream.sourceWraps, 21u);
    auto decoder = MakeDecoder50(kWindow, false);
    EXPECT_EQ(DecodingDifference(*decoder, Encode(stream), stream), "");
}

} // namespace
} // namespace rar::test
