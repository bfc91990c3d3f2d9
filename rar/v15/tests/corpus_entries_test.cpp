// Real archives of the RAR 1.5 method from the shared corpus: every entry must
// come out with the size and digest the manifest records and the checksum its
// own header records. Pieces and damage: rar/tests/long_corpus_test.cpp.
#include "rar/check/crc32.h"
#include "rar/tests/corpus_entries.h"
#include "rar/tests/memory_io.h"
#include "rar/tests/sha256.h"
#include "rar/v15/decoder15.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace rar::v15::testing {
namespace {

using test::CorpusEntry;
using test::CorpusPath;
using test::MemorySink;
using test::MemorySource;

// The entries the method decodes: the compressed ones of "RE~^" archives and
// those of unpack version 15 in "Rar!" ones.
std::vector<CorpusEntry> ReadEntries(const std::string& path) {
    return test::ReadCorpusEntries(
        path, [](const CorpusEntry& e) { return (e.oldFormat || e.version == 15) && !e.stored; });
}

struct Expected {
    std::string name;
    std::uint64_t size = 0;
    std::string sha256;
};

// Manifest rows of entries the method decodes, by archive, in archive order.
std::map<std::string, std::vector<Expected>> ManifestRows() {
    std::ifstream manifest(CorpusPath("MANIFEST.tsv"));
    std::map<std::string, std::vector<Expected>> rows;
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() > 10 && cells[10] == "v15" && cells[0].rfind("good/", 0) == 0)
            rows[cells[0]].push_back({cells[5], std::stoull(cells[7]), cells[8]});
    }
    return rows;
}

bool MatchesHeader(const CorpusEntry& e, const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != e.unpackedSize)
        return false;
    if (e.oldFormat)
        return OldChecksum(0, bytes.data(), bytes.size()) == e.check;
    return Crc32(0, bytes.data(), bytes.size()) == e.check;
}

std::string Sha256Of(const std::vector<std::uint8_t>& bytes) {
    test::Sha256 digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.HexDigest();
}

// Decodes the entries in order with one decoder, as an extractor would.
std::vector<std::vector<std::uint8_t>> DecodeAll(const std::vector<CorpusEntry>& entries) {
    std::unique_ptr<Decoder> decoder = MakeDecoder15(0x10000);
    std::vector<std::vector<std::uint8_t>> outputs;
    for (const CorpusEntry& e : entries) {
        MemorySource source(e.packed);
        MemorySink sink;
        decoder->Decode(source, e.unpackedSize, sink, e.solid);
        outputs.push_back(std::move(sink.bytes));
    }
    return outputs;
}

TEST(CorpusEntries, EveryEntryMatchesItsHeaderAndTheManifest) {
    auto rows = ManifestRows();
    ASSERT_GE(rows.size(), 7u);
    bool sawSolid = false;
    bool sawWrap = false;
    for (const auto& [archive, expected] : rows) {
        std::vector<CorpusEntry> entries = ReadEntries(CorpusPath(archive));
        ASSERT_EQ(entries.size(), expected.size()) << archive;
        std::vector<std::vector<std::uint8_t>> outputs = DecodeAll(entries);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].name, expected[i].name) << archive;
            EXPECT_TRUE(MatchesHeader(entries[i], outputs[i])) << archive << " " << i;
            EXPECT_EQ(outputs[i].size(), expected[i].size) << archive << " " << i;
            EXPECT_EQ(Sha256Of(outputs[i]), expected[i].sha256) << archive << " " << i;
            sawSolid = sawSolid || entries[i].solid;
            sawWrap = sawWrap || entries[i].unpackedSize > 0x10000;
        }
    }
    EXPECT_TRUE(sawSolid);
    EXPECT_TRUE(sawWrap);
}

TEST(CorpusEntries, SolidEntryDependsOnThePreviousEntrysState) {
    std::vector<CorpusEntry> entries = ReadEntries(CorpusPath("good/jr-rar14-solid.rar"));
    ASSERT_EQ(entries.size(), 3u);
    ASSERT_TRUE(entries[1].solid);
    std::unique_ptr<Decoder> fresh = MakeDecoder15(0x10000);
    MemorySource source(entries[1].packed, 1 << 20);
    MemorySink sink;
    try {
        fresh->Decode(source, entries[1].unpackedSize, sink, false);
        EXPECT_FALSE(MatchesHeader(entries[1], sink.bytes));
    } catch (const DataError&) {
    }
}

} // namespace
} // namespace rar::v15::testing
