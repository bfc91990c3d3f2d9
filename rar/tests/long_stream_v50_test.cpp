// The 5.0 decoder over streams several windows long: matches of up to 4 KB
// over the window's end, many blocks in one entry, and solid entries cut at
// and beside the wrap point.
#include "rar/lz/decoder.h"
#include "rar/tests/long_stream.h"
#include "rar/v50/decoder50.h"
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
    CheckOneEntryOfManyBlocks(Rules(), 50, Encode, [] { return MakeDecoder50(kWindow, false); });
}

TEST(LongStream50, SolidEntriesContinueAcrossTheWrapPoint) {
    CheckSolidEntriesOverTheWrapPoint(Rules(), 5050, Encode,
                                      [] { return MakeDecoder50(kWindow, false); });
}

} // namespace
} // namespace rar::test
