// Real archives from the shared corpus, one per kind of stream the unit tests
// cannot make: every entry must come out with the size and CRC32 its header
// records.
#include "rar/lz/decoder.h"
#include "rar/tests/corpus_entries.h"
#include "rar/tests/crc_sink.h"
#include "rar/tests/memory_io.h"
#include "rar/v29/decoder29.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace rar::v29 {
namespace {

using test::CorpusEntry;
using test::CorpusPath;
using test::CrcSink;
using test::MemorySource;

// The compressed file entries of a RAR 1.5-4.x archive, in order.
std::vector<CorpusEntry> ReadEntries(const std::string& path) {
    return test::ReadCorpusEntries(
        path, [](const CorpusEntry& e) { return !e.oldFormat && !e.directory && !e.stored; });
}

// Decodes the archive's entries named in `names` (all when empty).
void ExpectEntriesIntact(const std::string& archive, const std::vector<std::string>& names) {
    std::vector<CorpusEntry> entries = ReadEntries(CorpusPath("good/" + archive));
    ASSERT_FALSE(entries.empty()) << archive;
    std::unique_ptr<Decoder> decoder;
    int checked = 0;
    for (const CorpusEntry& e : entries) {
        if (!names.empty() && std::find(names.begin(), names.end(), e.name) == names.end())
            continue;
        if (!decoder)
            decoder = MakeDecoder29(e.window);
        MemorySource source(e.packed);
        CrcSink sink;
        decoder->Decode(source, e.unpackedSize, sink, e.solid);
        EXPECT_EQ(sink.count, e.unpackedSize) << archive << ": " << e.name;
        EXPECT_EQ(sink.crc, e.check) << archive << ": " << e.name;
        ++checked;
    }
    EXPECT_EQ(checked,
              names.empty() ? static_cast<int>(entries.size()) : static_cast<int>(names.size()));
}

TEST(CorpusEntries, DeltaAndE8E9FiltersOnAnExecutable) {
    ExpectEntriesIntact("la-test_read_format_rar_filter.rar", {});
}

TEST(CorpusEntries, SolidEntriesWithAnE8FilterInTheMiddle) {
    ExpectEntriesIntact("sc-Rar.solid.rar", {});
}

TEST(CorpusEntries, AudioFilterOnAWaveFile) {
    ExpectEntriesIntact("jr-audio_BoatModernEnglish-audio-text-unpack30.rar",
                        {"BoatModernEnglish.wav"});
}

TEST(CorpusEntries, PpmdBlocksWithTheirOrderAndModelSize) {
    ExpectEntriesIntact("ds-compressed_lipsum_rar4_ppmd.rar", {});
    ExpectEntriesIntact("jr-audio_BoatModernEnglish-audio-text-unpack30.rar", {"LICENSE.txt"});
    ExpectEntriesIntact("jr-ppm_legit-maxmb63.rar", {});
    ExpectEntriesIntact("ss-testfile.rar3.locked.cbr", {});
}

TEST(CorpusEntries, PpmdModelKeptFromTheBlockBefore) {
    ExpectEntriesIntact("jr-ppm_preserved-maxmb0.rar", {});
    // The block before ended the previous entry of a solid stream.
    ExpectEntriesIntact("ss-testfile.rar3.solid.cbr", {});
}

TEST(CorpusEntries, PpmdModelOfTheLargestSizeTheStreamCanAskFor) {
    ExpectEntriesIntact("jr-ppm_hostile-maxmb255.rar", {});
}

TEST(CorpusEntries, SolidPpmdEntry) {
    ExpectEntriesIntact("ss-testfile.rar3.solid.rar", {});
}

} // namespace
} // namespace rar::v29
