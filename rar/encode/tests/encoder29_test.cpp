#include "rar/encode/encoder29.h"
#include "rar/encode/symbols29.h"
#include "rar/encode/tests/generated_inputs.h"
#include "rar/tests/memory_io.h"
#include "rar/tests/pascal_text.h"
#include "rar/v29/decoder29.h"

#include <gtest/gtest.h>

namespace rar::encode {
namespace {

using namespace test;

// Small blocks put block ends inside entries and between them.
constexpr Settings29 kTinyBlocks = {8, 32, 16, 100};
// The same with PPMd tried on every text block, through a model small
// enough to fill up and start over.
constexpr Settings29 kTinyBlocksPpmd = {8, 32, 16, 300, 1};

Bytes Pascal(std::size_t size, unsigned seed) {
    return rar::test::PascalText(seed).Make(size);
}

// Text with every fourth byte spoilt: not text to look at, but full of short
// copies and repeated distances that LZ blocks after PPMd ones pick up.
Bytes Spoilt(std::size_t size, unsigned seed) {
    Bytes out = Pascal(size, seed);
    for (std::size_t i = 0; i < size; i += 4)
        out[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    return out;
}

// Packs `entries` in one stream (or each alone) and unpacks them again
// with our decoder, entry by entry as an archive reader would.
std::vector<Bytes> RoundTrip(const std::vector<Bytes>& entries, bool solid,
                             const Settings29& settings) {
    Encoder29 encoder(settings);
    for (std::size_t i = 0; i < entries.size(); ++i)
        encoder.AddEntry(entries[i].data(), entries[i].size(), solid && i > 0);
    encoder.Finish();
    auto& packed = encoder.Finished();
    EXPECT_EQ(packed.size(), entries.size());
    auto decoder = MakeDecoder29(Encoder29::kWindow);
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < entries.size() && i < packed.size(); ++i) {
        rar::test::MemorySource source(packed[i]);
        rar::test::MemorySink sink;
        decoder->Decode(source, entries[i].size(), sink, solid && i > 0);
        out.push_back(sink.bytes);
    }
    return out;
}

struct Case {
    const char* name;
    std::vector<Bytes> entries;
};

std::vector<Case> Cases() {
    const Bytes text = Text(200000, 1);
    const Bytes random = Random(70000, 2);
    std::vector<Bytes> tiny;
    for (unsigned i = 0; i < 300; ++i)
        tiny.push_back(Text(i % 40, i));
    return {
        {"empty", {Bytes()}},
        {"one byte", {Bytes{0x41}}},
        {"runs", {Run(100000, 0), Run(3, 7), Concat({Run(1000, 1), Run(1000, 2)})}},
        {"text", {text}},
        {"random", {random}},
        {"mixed", {Concat({text, random, text, Random(10, 3), random})}},
        {"empty between files", {Text(500, 4), Bytes(), Bytes(), Text(500, 4), Bytes()}},
        {"many tiny files", tiny},
        {"tiny files, none empty", {Bytes{'r'}, Bytes{'r', 'r'}, Bytes{'r', 'r'}}},
        {"text and spoilt text in turn",
         {Concat({Pascal(40000, 8), Spoilt(20000, 8), Pascal(40000, 9), Spoilt(20000, 9),
                  Pascal(40000, 10), Spoilt(20000, 10)})}},
        {"text and binary entries in turn",
         {Pascal(150000, 5), random, Pascal(60000, 6), Concat({random, Pascal(90000, 7)}), text}},
        {"copies of earlier text between new text, across entries",
         {Concat({Pascal(30000, 20), Pascal(30000, 21), Pascal(30000, 20)}),
          Concat({Pascal(30000, 22), Pascal(30000, 21)}),
          Concat({Pascal(30000, 20), Pascal(30000, 23), Pascal(30000, 22)})}},
        // A block that goes out in PPMd ends at the literal before a repeat
        // chosen against the distances it dropped.
        {"a repeat held back while a block ends in PPMd",
         {Concat({Pascal(3000, 3), Spoilt(2000, 3), Pascal(3000, 4)})}},
        {"code and tables behind other entries",
         {text, Concat({Code(200000, 8), Table(150000, 9), Code(100000, 10)}), Table(70001, 11),
          Code(5, 12)}},
    };
}

class RoundTrips : public ::testing::TestWithParam<Settings29> {};

TEST_P(RoundTrips, EveryEntryComesBackSolidOrNot) {
    for (const Case& c : Cases())
        for (bool solid : {false, true})
            EXPECT_EQ(RoundTrip(c.entries, solid, GetParam()), c.entries)
                << c.name << (solid ? " (solid)" : "");
}

INSTANTIATE_TEST_SUITE_P(Settings, RoundTrips,
                         ::testing::Values(kDefault29, kBest29, kTinyBlocks, kTinyBlocksPpmd));

// Which blocks go out as PPMd: text ones, only where the settings ask for
// it, and only when that is smaller.
TEST(Encoder29, CodesTextBlocksWithPpmdWhenThatIsSmaller) {
    struct Row {
        const char* name;
        Settings29 settings;
        Bytes input;
        bool ppmd;
    };
    const Bytes pascal = Pascal(400000, 11);
    const Row rows[] = {
        {"text at best", kBest29, pascal, true},
        {"text by default", kDefault29, pascal, false},
        {"binary at best", kBest29, Random(200000, 12), false},
    };
    for (const Row& row : rows) {
        Encoder29 ppmd(row.settings);
        ppmd.AddEntry(row.input.data(), row.input.size(), false);
        ppmd.Finish();
        EXPECT_EQ(ppmd.PpmdBlocks() > 0, row.ppmd) << row.name;
        if (!row.ppmd)
            continue;
        Settings29 lzOnly = row.settings;
        lzOnly.ppmdMegabytes = 0;
        Encoder29 lz(lzOnly);
        lz.AddEntry(row.input.data(), row.input.size(), false);
        lz.Finish();
        EXPECT_LT(ppmd.Finished().front().size(), lz.Finished().front().size() * 9 / 10)
            << row.name;
    }
}

// New text between copies of text the window holds, through a model too
// small to remember the copies: LZ copies them for almost nothing and PPMd
// codes the new stretches better than LZ, so coding each stretch its own way
// within a block beats either coding alone.
TEST(Encoder29, SwitchesBetweenPpmdAndLzWithinABlock) {
    constexpr Settings29 kSmallModel = {64, 128, 64, 0x8000, 1};
    std::vector<Bytes> fresh;
    for (unsigned i = 0; i < 6; ++i)
        fresh.push_back(Pascal(40000, 30 + i));
    const Bytes input = Concat({fresh[0], fresh[1], fresh[0], fresh[2], fresh[1], fresh[3],
                                fresh[0], fresh[2], fresh[4], fresh[3], fresh[5], fresh[1]});
    auto packed = [&](unsigned megabytes) {
        Settings29 settings = kSmallModel;
        settings.ppmdMegabytes = megabytes;
        Encoder29 encoder(settings);
        encoder.AddEntry(input.data(), input.size(), false);
        encoder.Finish();
        return std::pair{encoder.Finished().front().size(), encoder.PpmdBlocks()};
    };
    ppmd::Encoder alone({16, 1});
    Bytes ppmdOnly;
    alone.WriteBlock(input.data(), input.size(), ppmd::BlockEnd::EntryEnds, ppmdOnly);
    const auto [mixed, ppmdBlocks] = packed(1);
    const std::size_t lzOnly = packed(0).first;
    EXPECT_GT(ppmdBlocks, 1u);
    EXPECT_LT(mixed, lzOnly * 9 / 10);
    EXPECT_LT(mixed, ppmdOnly.size() * 9 / 10);
}

TEST(Encoder29, DistanceSlotsAgreeWithTheDecodersTable) {
    for (unsigned slot = 0; slot < lz::kDistanceSlots; ++slot) {
        const std::uint32_t first = lz::kDistance.base[slot];
        const std::uint32_t last = first + (1u << lz::kDistance.bits[slot]) - 1;
        for (std::uint32_t value : {first, last}) {
            const v29::Slot found = v29::DistanceSlot(value);
            EXPECT_EQ(found.symbol, slot) << value;
            EXPECT_EQ(found.bits, lz::kDistance.bits[slot]) << value;
            EXPECT_EQ(found.extra, value - first) << value;
        }
    }
}

TEST(Encoder29, CopiesFromTheFarEndOfTheWindow) {
    // The same megabyte again after four: only a copy from the far end of the
    // window finds it, and pieces of input end inside it.
    const Bytes far = Random(0x100000, 5);
    const std::vector<Bytes> entries = {Concat({far, Random(0x300000 - 0x2000, 6), far}),
                                        Concat({Random(0x10000, 7), far})};
    EXPECT_EQ(RoundTrip(entries, true, kDefault29), entries);
}

TEST(Encoder29, CompressesRedundantInputAndKeepsRandomInputNearItsSize) {
    const Bytes random = Random(500000, 8);
    struct Row {
        const char* name;
        Bytes input;
        std::size_t most;
    };
    const Row rows[] = {
        {"text", Text(500000, 7), 500000 / 4},
        {"random", random, random.size() + random.size() / 100},
        // Searches thin out over incompressible input, yet the copy is found,
        // also from a place no multiple of anything away from the first.
        {"random twice", Concat({random, random}), random.size() + random.size() / 50},
        {"random, text, then most of it again",
         Concat({random, Text(10000, 9), Bytes(random.begin() + 777, random.end())}),
         random.size() + random.size() / 50 + 10000},
    };
    for (const Settings29& settings : {kDefault29, kBest29})
        for (const Row& row : rows) {
            Encoder29 encoder(settings);
            encoder.AddEntry(row.input.data(), row.input.size(), false);
            encoder.Finish();
            EXPECT_LT(encoder.Finished().front().size(), row.most)
                << row.name << (settings.ppmdMegabytes ? " at best" : "");
        }
}

// Text repeated far back behind more text of the same words, whose short
// prefixes recur thousands of times in between: the copy is still found.
TEST(Encoder29, FindsALongRepeatBehindSimilarText) {
    Settings29 lzOnly = kBest29;
    lzOnly.ppmdMegabytes = 0;
    const Bytes repeated = Text(100000, 40);
    const Bytes between = Text(0x100000, 41);
    auto packed = [&](const Bytes& input) {
        Encoder29 encoder(lzOnly);
        encoder.AddEntry(input.data(), input.size(), false);
        encoder.Finish();
        return encoder.Finished().front().size();
    };
    EXPECT_LT(packed(Concat({repeated, between, repeated})) - packed(Concat({repeated, between})),
              repeated.size() / 50);
}

TEST(Encoder29, SameInputGivesTheSameBytes) {
    const Bytes input = Concat({Text(300000, 9), Random(30000, 9), Text(300000, 9)});
    auto pack = [&] {
        Encoder29 encoder(kDefault29);
        encoder.AddEntry(input.data(), input.size(), false);
        encoder.Finish();
        return encoder.Finished().front();
    };
    EXPECT_EQ(pack(), pack());
}

// Entries fed in pieces of any size, their packed bytes taken as they come
// (the finished entries first, then what there is of the next): each entry's
// bytes, put together, decode to the entry. Code far into an entry checks
// that the call filter is told its offset in the entry, not in the piece.
TEST(Encoder29, EntriesInPiecesComeBack) {
    const std::vector<Bytes> entries = {
        Concat({Text(200000, 1), Random(70000, 2), test::Run(5000, 3)}), Bytes(), Text(3, 4),
        Pascal(150000, 5), Concat({Text(1000, 6), Code(400000, 6)})};
    const std::size_t pieces[] = {1, 100, 259, 260, 4096, 70001, 150000};
    for (const Settings29& settings : {kDefault29, kTinyBlocksPpmd}) {
        for (bool solid : {false, true}) {
            Encoder29 encoder(settings);
            std::vector<Bytes> packed(1);
            const auto take = [&] {
                for (auto& finished = encoder.Finished(); !finished.empty(); finished.pop_front()) {
                    packed.back().insert(packed.back().end(), finished.front().begin(),
                                         finished.front().end());
                    packed.emplace_back();
                }
                const Bytes more = encoder.TakeUnfinished();
                packed.back().insert(packed.back().end(), more.begin(), more.end());
            };
            std::size_t turn = 0;
            for (std::size_t i = 0; i < entries.size(); ++i) {
                encoder.StartEntry(entries[i].size(), solid && i > 0);
                for (std::size_t at = 0; at < entries[i].size();) {
                    const std::size_t size =
                        std::min(pieces[turn++ % std::size(pieces)], entries[i].size() - at);
                    encoder.AddData(entries[i].data() + at, size);
                    at += size;
                    take();
                }
            }
            encoder.Finish();
            take();
            ASSERT_EQ(packed.size(), entries.size() + 1);
            auto decoder = MakeDecoder29(Encoder29::kWindow);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                rar::test::MemorySource source(packed[i]);
                rar::test::MemorySink sink;
                decoder->Decode(source, entries[i].size(), sink, solid && i > 0);
                EXPECT_EQ(sink.bytes, entries[i]) << i << (solid ? " solid" : "");
            }
        }
    }
}

} // namespace
} // namespace rar::encode
