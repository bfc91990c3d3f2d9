// The corpus archives whose data outgrows the window it is decoded with, and
// the solid ones whose entries continue each other: extracted in full, with
// entries skipped first, and with the packed data arriving in odd pieces.
#include "rar/format/archive.h"
#include "rar/format/status.h"
#include "rar/tests/corpus_manifest.h"
#include "rar/tests/damage.h"
#include "rar/tests/hashing_sink.h"
#include "rar/tests/piecewise_source.h"
#include "rar/tests/unrar_library.h"
#include "rar/v15/decoder15.h"
#include "rar/v20/decoder20.h"
#include "rar/v29/decoder29.h"
#include "rar/v50/decoder50.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <set>

namespace rar::test {
namespace {

// Decoder families of which the corpus holds archives of each kind; if a pick
// comes out without one, the rule or the manifest reading broke.
const std::set<std::string> kFamiliesThatWrap = {"v15", "v29", "v50"};
const std::set<std::string> kFamiliesWithContinuations = {"v15", "v20", "v29", "v50"};

std::string FamilyOf(const ManifestArchive& archive) {
    for (const ManifestRow& row : archive.rows)
        if (row.Compressed())
            return row.decoder;
    return "store";
}

// A decoder's window never exceeds the dictionary the header names, so data
// streamed past that size has certainly wrapped round it. A solid stream
// runs on across entries; stored entries never enter it.
bool WrapsWindow(const ManifestArchive& archive) {
    std::uint64_t streamed = 0;
    for (const ManifestRow& row : archive.rows) {
        if (!row.Compressed())
            continue;
        streamed = archive.solid ? streamed + row.size : row.size;
        if (streamed > row.dictionaryBytes)
            return true;
    }
    return false;
}

bool ContinuesSolidStream(const ManifestArchive& archive) {
    for (const ManifestRow& row : archive.rows)
        if (row.HasFeature("solid-cont"))
            return true;
    return false;
}

std::vector<ManifestArchive> Pick(const std::function<bool(const ManifestArchive&)>& rule,
                                  const std::string& kind) {
    std::vector<ManifestArchive> picked;
    for (ManifestArchive& archive : ManifestArchives(CorpusFolder() / "MANIFEST.tsv", "good/")) {
        if (!rule(archive))
            continue;
        std::uint64_t total = 0;
        for (const ManifestRow& row : archive.rows)
            total += row.size;
        std::cout << kind << ": " << archive.name << " (" << FamilyOf(archive) << ", " << total
                  << " bytes)\n";
        picked.push_back(std::move(archive));
    }
    return picked;
}

const std::vector<ManifestArchive>& ArchivesThatWrap() {
    static const std::vector<ManifestArchive> kPicked = Pick(WrapsWindow, "wraps its window");
    return kPicked;
}

const std::vector<ManifestArchive>& ArchivesWithContinuations() {
    static const std::vector<ManifestArchive> kPicked =
        Pick(ContinuesSolidStream, "continues a solid stream");
    return kPicked;
}

std::set<std::string> Families(const std::vector<ManifestArchive>& archives) {
    std::set<std::string> families;
    for (const ManifestArchive& archive : archives)
        families.insert(FamilyOf(archive));
    return families;
}

void ExpectData(const ManifestRow& row, HashingSink& sink) {
    if (!row.hasData)
        return;
    EXPECT_EQ(sink.Size(), row.size);
    EXPECT_EQ(sink.HexDigest(), row.sha256);
}

// Walks the archive beside its manifest rows: entries `skip` names are
// passed over with Skip(), the others unpacked and compared.
void CheckExtraction(const ManifestArchive& expected,
                     const std::function<bool(std::size_t)>& skip) {
    Archive archive(CorpusFolder() / expected.name);
    for (std::size_t i = 0; i < expected.rows.size(); ++i) {
        const ManifestRow& row = expected.rows[i];
        SCOPED_TRACE(row.path);
        ASSERT_TRUE(archive.NextEntry());
        ASSERT_EQ(archive.Current().name, row.path);
        if (skip(i)) {
            archive.Skip();
            continue;
        }
        HashingSink sink;
        try {
            archive.Unpack(sink);
        } catch (const ArchiveError& e) {
            FAIL() << "status " << static_cast<int>(e.Code()) << ": " << e.what() << " after "
                   << sink.Size() << " bytes";
        }
        ExpectData(row, sink);
    }
}

TEST(LongCorpus, ArchivesThatWrapTheirWindowExtractExactly) {
    ASSERT_EQ(Families(ArchivesThatWrap()), kFamiliesThatWrap);
    for (const ManifestArchive& archive : ArchivesThatWrap()) {
        SCOPED_TRACE(archive.name);
        CheckExtraction(archive, [](std::size_t) { return false; });
    }
}

TEST(LongCorpus, SkippedSolidEntriesStillFeedTheOnesAfterThem) {
    ASSERT_EQ(Families(ArchivesWithContinuations()), kFamiliesWithContinuations);
    for (const ManifestArchive& archive : ArchivesWithContinuations()) {
        SCOPED_TRACE(archive.name);
        CheckExtraction(archive, [](std::size_t) { return false; });
        for (std::size_t first = 1; first < archive.rows.size(); ++first) {
            SCOPED_TRACE("skipping the first " + std::to_string(first));
            CheckExtraction(archive, [first](std::size_t i) { return i < first; });
        }
        SCOPED_TRACE("skipping every other entry");
        CheckExtraction(archive, [](std::size_t i) { return i % 2 == 0; });
    }
}

std::unique_ptr<Decoder> MakeDecoder(const std::string& family, std::size_t window) {
    if (family == "v15")
        return MakeDecoder15(window);
    if (family == "v20")
        return MakeDecoder20(window);
    if (family == "v29")
        return MakeDecoder29(window);
    if (family == "v50")
        return MakeDecoder50(window, false);
    throw std::invalid_argument("no decoder family " + family);
}

std::vector<std::uint8_t> PackedData(const ManifestArchive& archive, const Entry& entry) {
    std::ifstream in(CorpusFolder() / archive.name, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(entry.dataOffset));
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(entry.packedSize));
    in.read(reinterpret_cast<char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    if (in.gcount() != static_cast<std::streamsize>(packed.size()))
        throw std::runtime_error("packed data beyond the end of " + archive.name);
    return packed;
}

// The archive reader hands its decoder whatever the file gives; these tests
// feed each decoding method from the packed data of its corpus entries
// instead: in pieces of 1 to 4093 bytes, and damaged.
struct Method {
    std::string name;
    std::string family; // the decoder
    // Archives of the method's own; the pieces test also takes every picked
    // archive of its family.
    std::vector<std::string> archives;
    std::uint32_t seed = 0;
};

std::ostream& operator<<(std::ostream& out, const Method& method) {
    return out << method.name;
}

struct PackedEntry {
    ManifestRow row;
    Entry entry;
    std::vector<std::uint8_t> packed;
};

std::vector<PackedEntry> CompressedEntries(const ManifestArchive& expected) {
    Archive archive(CorpusFolder() / expected.name);
    std::vector<PackedEntry> entries;
    for (const ManifestRow& row : expected.rows) {
        if (!archive.NextEntry())
            throw std::runtime_error("fewer entries than listed in " + expected.name);
        if (row.Compressed())
            entries.push_back({row, archive.Current(), PackedData(expected, archive.Current())});
    }
    return entries;
}

ManifestArchive Listed(const std::string& name) {
    for (ManifestArchive& archive : ManifestArchives(CorpusFolder() / "MANIFEST.tsv", "good/"))
        if (archive.name == name)
            return archive;
    throw std::runtime_error(name + " is not in the manifest");
}

class MethodCorpus : public ::testing::TestWithParam<Method> {
  protected:
    std::unique_ptr<Decoder> DecoderFor(const Entry& entry) const {
        return MakeDecoder(GetParam().family, static_cast<std::size_t>(entry.windowSize));
    }
};

// One decoder per solid stream, as the archive reader keeps it.
TEST_P(MethodCorpus, PackedDataInOddPiecesDecodesAsListed) {
    std::vector<ManifestArchive> archives;
    for (const std::string& name : GetParam().archives)
        archives.push_back(Listed(name));
    for (const auto* picked : {&ArchivesThatWrap(), &ArchivesWithContinuations()})
        for (const ManifestArchive& archive : *picked)
            if (FamilyOf(archive) == GetParam().name)
                archives.push_back(archive);
    std::set<std::string> done;
    for (const ManifestArchive& archive : archives) {
        if (!done.insert(archive.name).second)
            continue;
        SCOPED_TRACE(archive.name);
        std::unique_ptr<Decoder> decoder;
        for (const PackedEntry& e : CompressedEntries(archive)) {
            SCOPED_TRACE(e.row.path);
            if (!e.entry.solid || !decoder)
                decoder = DecoderFor(e.entry);
            PiecewiseSource source(e.packed);
            HashingSink sink;
            try {
                decoder->Decode(source, e.entry.unpackedSize, sink, e.entry.solid);
            } catch (const DataError& error) {
                FAIL() << error.what() << " after " << sink.Size() << " bytes";
            }
            ExpectData(e.row, sink);
        }
    }
}

// Every third copy cut short, the others with one to four bytes flipped:
// whatever the damage, the decoder delivers exactly the entry's size or
// refuses, and it notices most of it.
TEST_P(MethodCorpus, DamagedCopiesOfRealEntriesEndCleanly) {
    std::vector<PackedEntry> entries;
    for (const std::string& name : GetParam().archives)
        for (PackedEntry& e : CompressedEntries(Listed(name)))
            entries.push_back(std::move(e));
    ASSERT_FALSE(entries.empty());
    std::mt19937 random(GetParam().seed);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        const PackedEntry& e = entries[static_cast<std::size_t>(round) % entries.size()];
        std::unique_ptr<Decoder> decoder = DecoderFor(e.entry);
        const std::vector<std::uint8_t> damaged = DamagedCopy(e.packed, round, random);
        PiecewiseSource source(damaged);
        HashingSink sink;
        try {
            decoder->Decode(source, e.entry.unpackedSize, sink, false);
            EXPECT_EQ(sink.Size(), e.entry.unpackedSize) << e.row.path << " round " << round;
        } catch (const DataError&) {
            ++refused;
        }
    }
    EXPECT_GE(refused, 100);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMethod, MethodCorpus,
    ::testing::Values(
        Method{"v15",
               "v15",
               {"good/jr-audio_BoatModernEnglish-regular-unpack15-win.rar", "good/or-REPEATB.RAR",
                "good/jr-rar14-solid.rar"},
               15},
        Method{"v20", "v20", {"good/zx-test_v2.rar"}, 20},
        Method{"v29", "v29", {"good/la-test_read_format_rar_filter.rar", "good/sc-Rar.rar"}, 29},
        Method{"ppmd",
               "v29",
               {"good/ds-compressed_lipsum_rar4_ppmd.rar", "good/jr-ppm_preserved-maxmb0.rar"},
               36},
        Method{"v50", "v50", {"good/la-test_read_format_rar5_win32.rar", "good/sc-Rar5.rar"}, 50}),
    [](const ::testing::TestParamInfo<Method>& info) { return info.param.name; });

} // namespace
} // namespace rar::test
