// Real RAR 2.0 archives from the shared corpus: every entry must come out with
// the size and CRC32 its header records. Pieces and damage:
// rar/tests/long_corpus_test.cpp.
#include "rar/tests/corpus_entries.h"
#include "rar/tests/crc_sink.h"
#include "rar/tests/memory_io.h"
#include "rar/v20/decoder20.h"

#include <gtest/gtest.h>

namespace rar::v20::testing {
namespace {

using test::CorpusEntry;
using test::CorpusPath;
using test::CrcSink;
using test::MemorySource;

// Every compressed file entry of unpack version 20 or 26, in archive order.
std::vector<CorpusEntry> ReadV20Entries(const std::string& path) {
    return test::ReadCorpusEntries(path, [](const CorpusEntry& e) {
        return !e.directory && !e.stored && (e.version == 20 || e.version == 26);
    });
}

enum class Outcome { Intact, WrongBytes, Refused };

// Decodes every RAR 2.0 entry of the archive with one decoder, as an
// extractor would, and says how each one came out.
std::vector<Outcome> DecodeAll(const std::string& archive) {
    std::vector<CorpusEntry> entries = ReadV20Entries(CorpusPath(archive));
    std::vector<Outcome> outcomes;
    if (entries.empty())
        return outcomes;
    std::unique_ptr<Decoder> decoder = MakeDecoder20(entries.front().window);
    for (const CorpusEntry& e : entries) {
        MemorySource source(e.packed);
        CrcSink sink;
        try {
            decoder->Decode(source, e.unpackedSize, sink, e.solid);
            bool intact = sink.count == e.unpackedSize && sink.crc == e.check;
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

} // namespace
} // namespace rar::v20::testing
