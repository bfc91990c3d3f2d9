// The 2.0 decoder over streams several windows long: matches over the
// window's end, many table changes in one entry, and solid entries cut at
// and beside the wrap point.
#include "rar/tests/long_stream.h"
#include "rar/v20/decoder20.h"
#include "rar/v20/tests/stream_writer.h"

#include <gtest/gtest.h>

namespace rar::test {
namespace {

using v20::testing::PlainLengths;

// The smallest window the method has; far matches code one length less.
constexpr std::size_t kWindow = 0x10000;

std::uint32_t FarBonus(std::uint64_t distance) {
    return (distance >= 0x2000) + (distance >= 0x40000);
}

MatchRules Rules() {
    return {kWindow, [](std::uint64_t d) { return 3 + FarBonus(d); },
            [](std::uint64_t d) { return 258 + FarBonus(d); }};
}

// Length slots: 8 of no extra bits, then 4 each of 1 to 5 bits.
unsigned LengthExtraBits(unsigned slot) {
    return slot < 8 ? 0 : (slot - 4) / 4;
}

// Distance slots: 4 of no extra bits, two each of 1 to 15 bits, then 16 bits.
unsigned DistanceExtraBits(unsigned slot) {
    return slot < 4 ? 0 : slot < 34 ? (slot - 2) / 2 : 16;
}

// The slot whose range holds `value`, and the value's offset in it.
template <typename ExtraBits>
std::pair<unsigned, std::uint32_t> Slot(std::uint32_t value, ExtraBits extraBits) {
    unsigned slot = 0;
    std::uint32_t base = 0;
    while (value - base >= (1u << extraBits(slot))) {
        base += 1u << extraBits(slot);
        ++slot;
    }
    return {slot, value - base};
}

void PutMatch(v20::testing::StreamWriter& writer, std::uint32_t length, std::uint64_t distance) {
    const auto [lengthSlot, lengthExtra] = Slot(length - FarBonus(distance) - 3, LengthExtraBits);
    writer.Symbol(270 + lengthSlot);
    writer.Put(lengthExtra, LengthExtraBits(lengthSlot));
    const auto [distanceSlot, distanceExtra] =
        Slot(static_cast<std::uint32_t>(distance - 1), DistanceExtraBits);
    writer.Distance(distanceSlot);
    writer.Put(distanceExtra, DistanceExtraBits(distanceSlot));
}

void PutTables(v20::testing::StreamWriter& writer, bool keepOld) {
    writer.Symbol(269);
    writer.Tables(PlainLengths(), PlainLengths(), keepOld);
}

// Block changes send the same tables, in turn whole and as differences; every
// entry after the first starts, in turn, with or without them.
std::vector<std::vector<std::uint8_t>> Encode(const LongStream& stream) {
    std::vector<std::vector<std::uint8_t>> entries;
    v20::testing::StreamWriter writer;
    writer.Tables(PlainLengths(), {}, false);
    bool keepOld = false;
    bool entryTables = false;
    for (const StreamStep& step : stream.steps) {
        switch (step.kind) {
        case StreamStep::Kind::Literal:
            writer.Literal(step.byte);
            break;
        case StreamStep::Kind::Match:
            PutMatch(writer, step.length, step.distance);
            break;
        case StreamStep::Kind::NewBlock:
            keepOld = !keepOld;
            PutTables(writer, keepOld);
            break;
        case StreamStep::Kind::EndEntry:
            entries.push_back(writer.Bytes());
            writer = v20::testing::StreamWriter();
            entryTables = !entryTables;
            if (entryTables)
                PutTables(writer, false);
            break;
        }
    }
    return entries;
}

TEST(LongStream20, OneEntryOfManyBlocksWrapsTheWindowCorrectly) {
    CheckOneEntryOfManyBlocks(Rules(), 20, Encode, [] { return MakeDecoder20(kWindow); });
}

TEST(LongStream20, SolidEntriesContinueAcrossTheWrapPoint) {
    CheckSolidEntriesOverTheWrapPoint(Rules(), 2020, Encode, [] { return MakeDecoder20(kWindow); });
}

} // namespace
} // namespace rar::test
