// Real RAR 2.0 archives from the shared corpus: every entry must come out with
// the size and CRC32 its header records, and damaged ones must be refused.
#include "rar/v20/decoder20.h"
#include "rar/v20/tests/corpus_archive.h"

#include <gtest/gtest.h>

#include <random>

namespace rar::v20::testing {
namespace {

enum class Outcome { Intact, WrongBytes, Refused };

// Decodes every RAR 2.0 entry of the archive with one decoder, as an
// extractor would, and says how each one came out.
std::vector<Outcome> DecodeAll(const std::string& archive, std::size_t chunk = 1 << 20) {
    std::vector<PackedEntry> entries = ReadV20Entries(CorpusPath(archive));
    std::vector<Outcome> outcomes;
    if (entries.empty())
        return outcomes;
    std::unique_ptr<Decoder> decoder = MakeDecoder20(entries.front().window);
    for (const PackedEntry& e : entries) {
        VectorSource source(e.packed, chunk);
        CrcSink sink;
        try {
            decoder->Decode(source, e.unpackedSize, sink, e.solid);
            bool intact = sink.count == e.unpackedSize && sink.crc == e.crc;
            outcomes.push_back(intact ? Outcome::Intact : Outcome::WrongBytes);
        } catch (const DataError&) {
            outcomes.push_back(Outcome::Refused);
        }
    }
    return outcomes;
}

void ExpectAllIntact(const std::string& archive, std::size_t count) {
    std::vector<Outcome> outcomes = DecodeAll("good/" + archive);
    ASSERT_EQ(outcomes.size(), count) << archive;
    for (std::size_t i = 0; i < outcomes.size(); ++i)
        EXPECT_EQ(outcomes[i], Outcome::Intact) << archive << " entry " << i;
}

TEST(CorpusEntries, EveryMethodLevelAndMultimediaBlocks) {
    ExpectAllIntact("zx-test_v2.rar", 6);
}

TEST(CorpusEntries, SolidEntryContinuesThePreviousOne) {
    ExpectAllIntact("zx-test_v2solid5.rar", 2);
}

TEST(CorpusEntries, ExecutablePictureAndTextWithAMegabyteWindow) {
    ExpectAllIntact("sc-Rar2.rar", 3);
}

TEST(CorpusEntries, SoundFileInLzBlocks) {
    ExpectAllIntact("jr-audio_BoatModernEnglish-regular-unpack20.rar", 1);
}

TEST(CorpusEntries, PackedDataArrivingInSmallPiecesDecodesTheSame) {
    std::vector<Outcome> outcomes = DecodeAll("good/zx-test_v2.rar", 3);
    ASSERT_EQ(outcomes.size(), 6u);
    for (Outcome o : outcomes)
        EXPECT_EQ(o, Outcome::Intact);
}

TEST(CorpusEntries, DamagedStreamsAreNeverTakenForGood) {
    for (const char* archive :
         {"bad/jr-abnormal_void-dist-v20.rar", "bad/jr-solid_v20-solid-negative-backref.rar"}) {
        std::vector<Outcome> outcomes = DecodeAll(archive);
        ASSERT_FALSE(outcomes.empty()) << archive;
        EXPECT_TRUE(std::any_of(outcomes.begin(), outcomes.end(), [](Outcome o) {
            return o != Outcome::Intact;
        })) << archive;
    }
}

// Flipped bytes and cut-off streams made from real entries: whatever the
// damage, the decoder either delivers exactly the entry's size or refuses.
TEST(CorpusEntries, DamagedCopiesOfRealEntriesEndCleanly) {
    std::vector<PackedEntry> entries = ReadV20Entries(CorpusPath("good/zx-test_v2.rar"));
    ASSERT_FALSE(entries.empty());
    std::mt19937 random(20);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        const PackedEntry& e = entries[static_cast<std::size_t>(round) % entries.size()];
        std::vector<std::uint8_t> damaged = e.packed;
        if (round % 3 == 0) {
            damaged.resize(random() % damaged.size());
        } else {
            for (int flips = 1 + round % 4; flips > 0; --flips)
                damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
        }
        std::unique_ptr<Decoder> decoder = MakeDecoder20(e.window);
        VectorSource source(damaged);
        CrcSink sink;
        try {
            decoder->Decode(source, e.unpackedSize, sink, false);
            EXPECT_EQ(sink.count, e.unpackedSize);
        } catch (const DataError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 100);
}

} // namespace
} // namespace rar::v20::testing
