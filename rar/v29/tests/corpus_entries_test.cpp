// Real archives from the shared corpus, one per kind of stream the unit tests
// cannot make: every entry must come out with the size and CRC32 its header
// records.
#include "rar/crc32.h"
#include "rar/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rar::v29 {
namespace {

struct Entry {
    std::string name;
    std::uint64_t unpackedSize = 0;
    std::uint32_t crc = 0;
    bool solid = false;
    std::size_t window = 0;
    std::vector<std::uint8_t> packed;
};

std::uint32_t Le(const std::vector<std::uint8_t>& d, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes; i-- > 0;)
        v = v << 8 | d.at(at + static_cast<std::size_t>(i));
    return v;
}

// The compressed file entries of a RAR 1.5-4.x archive, in order.
std::vector<Entry> ReadEntries(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(file)), {});
    const char marker[] = "Rar!\x1a\x07\x00";
    std::size_t pos = 0;
    while (pos + 7 <= d.size() && std::memcmp(&d[pos], marker, 7) != 0)
        ++pos;
    pos += 7;
    std::vector<Entry> entries;
    while (pos + 7 <= d.size()) {
        unsigned type = d[pos + 2];
        std::uint32_t flags = Le(d, pos + 3, 2);
        std::uint32_t headSize = Le(d, pos + 5, 2);
        std::uint32_t dataSize = (flags & 0x8000) ? Le(d, pos + 7, 4) : 0;
        if (type == 0x7b || headSize < 7)
            break;
        bool directory = (flags & 0xe0) == 0xe0;
        if (type == 0x74 && !directory && d.at(pos + 25) != 0x30) {
            Entry e;
            e.unpackedSize = Le(d, pos + 11, 4);
            e.crc = Le(d, pos + 16, 4);
            e.name.assign(reinterpret_cast<const char*>(&d.at(pos + 32)), Le(d, pos + 26, 2));
            e.solid = (flags & 0x10) != 0;
            e.window = std::size_t{0x10000} << ((flags >> 5) & 7);
            auto start = d.begin() + static_cast<std::ptrdiff_t>(pos + headSize);
            e.packed.assign(start, start + dataSize);
            entries.push_back(e);
        }
        pos += headSize + dataSize;
    }
    return entries;
}

struct Source : ByteSource {
    explicit Source(const std::vector<std::uint8_t>& bytes) : data(bytes) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        std::size_t take = std::min(size, data.size() - pos);
        if (take != 0)
            std::memcpy(buffer, data.data() + pos, take);
        pos += take;
        return take;
    }
    const std::vector<std::uint8_t>& data;
    std::size_t pos = 0;
};

struct CrcSink : ByteSink {
    void Write(const std::uint8_t* bytes, std::size_t size) override {
        crc = Crc32(crc, bytes, size);
        count += size;
    }
    std::uint32_t crc = 0;
    std::uint64_t count = 0;
};

// Decodes the archive's entries named in `names` (all when empty).
void ExpectEntriesIntact(const std::string& archive, const std::vector<std::string>& names) {
    std::string path = std::string(V29_CORPUS_DIR) + "/good/" + archive;
    std::vector<Entry> entries = ReadEntries(path);
    if (entries.empty())
        GTEST_SKIP() << "corpus archive not found: " << path;
    std::unique_ptr<Decoder> decoder;
    int checked = 0;
    for (const Entry& e : entries) {
        if (!names.empty() && std::find(names.begin(), names.end(), e.name) == names.end())
            continue;
        if (!decoder)
            decoder = MakeDecoder29(e.window);
        Source source(e.packed);
        CrcSink sink;
        decoder->Decode(source, e.unpackedSize, sink, e.solid);
        EXPECT_EQ(sink.count, e.unpackedSize) << archive << ": " << e.name;
        EXPECT_EQ(sink.crc, e.crc) << archive << ": " << e.name;
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
}

TEST(CorpusEntries, PpmdModelOfTheLargestSizeTheStreamCanAskFor) {
    ExpectEntriesIntact("jr-ppm_hostile-maxmb255.rar", {});
}

TEST(CorpusEntries, HostilePpmdStreamsAreDataErrors) {
    for (const char* archive :
         {"jr-ppm_hostile-ppm-decodechar.rar", "jr-ppm_hostile-ppm-ps-collect.rar"}) {
        std::string path = std::string(V29_CORPUS_DIR) + "/bad/" + archive;
        std::vector<Entry> entries = ReadEntries(path);
        ASSERT_EQ(entries.size(), 1u) << path;
        const Entry& e = entries[0];
        std::unique_ptr<Decoder> decoder = MakeDecoder29(e.window);
        Source source(e.packed);
        CrcSink sink;
        try {
            decoder->Decode(source, e.unpackedSize, sink, e.solid);
            // Whatever came out must not pass for the entry.
            EXPECT_NE(sink.crc, e.crc) << archive;
        } catch (const DataError&) {
        }
    }
}

TEST(CorpusEntries, SolidPpmdEntry) {
    ExpectEntriesIntact("ss-testfile.rar3.solid.rar", {});
}

} // namespace
} // namespace rar::v29
