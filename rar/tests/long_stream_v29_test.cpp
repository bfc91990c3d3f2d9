// The 2.9 decoder over streams several windows long: matches over the
// window's end, many table changes in one entry, and solid entries cut at
// and beside the wrap point.
#include "rar/lz/decoder.h"
#include "rar/tests/long_stream.h"
#include "rar/v29/decoder29.h"
#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

namespace rar::test {
namespace {

// The smallest window the method has; far matches code one length less.
constexpr std::size_t kWindow = 0x40000;

std::uint32_t FarBonus(std::uint64_t distance) {
    return (distance >= 0x2000) + (distance >= 0x40000);
}

MatchRules Rules() {
    return {kWindow, [](std::uint64_t d) { return 3 + FarBonus(d); },
            [](std::uint64_t d) { return 258 + FarBonus(d); }};
}

// Every block change sends the same tables, in turn whole and as "unchanged";
// every entry after the first starts, in turn, with or without them.
std::vector<std::vector<std::uint8_t>> Encode(const LongStream& stream) {
    std::vector<std::vector<std::uint8_t>> entries;
    v29::test::StreamWriter writer;
    writer.Tables();
    bool keepOld = false;
    bool entryTables = false;
    for (const StreamStep& step : stream.steps) {
        switch (step.kind) {
        case StreamStep::Kind::Literal:
            writer.Literal(step.byte);
            break;
        case StreamStep::Kind::Match:
            writer.Match(step.length, static_cast<std::uint32_t>(step.distance));
            break;
        case StreamStep::Kind::NewBlock:
            keepOld = !keepOld;
            writer.NewTables(keepOld);
            break;
        case StreamStep::Kind::EndEntry:
            entryTables = !entryTables;
            writer.EndOfEntry(entryTables);
            entries.push_back(writer.bits.Bytes());
            writer = v29::test::StreamWriter();
            if (entryTables)
                writer.Tables();
            break;
        }
    }
    return entries;
}

TEST(LongStream29, OneEntryOfManyBlocksWrapsTheWindowCorrectly) {
    CheckOneEntryOfManyBlocks(Rules(), 29, Encode, [] { return MakeDecoder29(kWindow); });
}

TEST(LongStream29, SolidEntriesContinueAcrossTheWrapPoint) {
    CheckSolidEntriesOverTheWrapPoint(Rules(), 2929, Encode, [] { return MakeDecoder29(kWindow); });
}

} // namespace
} // namespace rar::test
