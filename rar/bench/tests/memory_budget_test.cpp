#include "rar/bench/memory_budget.h"

#include "rar/format/archive.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace rar::bench {
namespace {

constexpr std::uint64_t kKb = 1024;
constexpr std::uint64_t kMb = 1024 * 1024;

Entry Packed(std::uint64_t size, std::uint64_t window) {
    Entry entry;
    entry.unpackVersion = 29;
    entry.method = 3;
    entry.unpackedSize = size;
    entry.windowSize = window;
    return entry;
}

TEST(WindowNeeded, AnEntryOfItsOwnNeedsItsSizeRoundedUpFrom256Kb) {
    EXPECT_EQ(WindowNeeded(Packed(100, 4 * kMb), false), 256 * kKb);
    EXPECT_EQ(WindowNeeded(Packed(256 * kKb, 4 * kMb), false), 256 * kKb);
    EXPECT_EQ(WindowNeeded(Packed(256 * kKb + 1, 4 * kMb), false), 512 * kKb);
    EXPECT_EQ(WindowNeeded(Packed(3 * kMb, 4 * kMb), false), 4 * kMb);
}

TEST(WindowNeeded, NeverMoreThanTheDictionary) {
    EXPECT_EQ(WindowNeeded(Packed(100 * kMb, 4 * kMb), false), 4 * kMb);
    EXPECT_EQ(WindowNeeded(Packed(100, 64 * kKb), false), 64 * kKb);
}

TEST(WindowNeeded, SolidStreamsAndUnknownSizesNeedTheWholeDictionary) {
    EXPECT_EQ(WindowNeeded(Packed(100, 4 * kMb), true), 4 * kMb);
    Entry unknown = Packed(100, 4 * kMb);
    unknown.sizeUnknown = true;
    EXPECT_EQ(WindowNeeded(unknown, false), 4 * kMb);
}

// An archive image whose entry data starts at offset 3.
std::istringstream Stream(std::string data) {
    return std::istringstream("xyz" + data, std::ios::binary);
}

Entry At3(std::uint64_t packedSize) {
    Entry entry = Packed(1000, 4 * kMb);
    entry.dataOffset = 3;
    entry.packedSize = packedSize;
    return entry;
}

TEST(DeclaredPpmdModel, ANewModelStatesItsMegabytesLessOne) {
    auto in = Stream("\xA5\x07rest");
    EXPECT_EQ(DeclaredPpmdModel(in, At3(6)), 8 * kMb);
    auto largest = Stream("\xE0\xFF\x00rest");
    EXPECT_EQ(DeclaredPpmdModel(largest, At3(7)), kLargestPpmdModel);
}

TEST(DeclaredPpmdModel, NoneForLzBlocksOrAContinuedModel) {
    auto lz = Stream("\x25\x07rest");
    EXPECT_EQ(DeclaredPpmdModel(lz, At3(6)), 0u);
    auto continued = Stream("\xC5\x07rest");
    EXPECT_EQ(DeclaredPpmdModel(continued, At3(6)), 0u);
}

TEST(DeclaredPpmdModel, NoneWhereTheFirstBytesAreNoBlockHeader) {
    auto in = Stream("\xA5\x07rest");
    Entry solid = At3(6);
    solid.solid = true;
    EXPECT_EQ(DeclaredPpmdModel(in, solid), 0u);
    Entry stored = At3(6);
    stored.method = 0;
    EXPECT_EQ(DeclaredPpmdModel(in, stored), 0u);
    Entry rar5 = At3(6);
    rar5.unpackVersion = 50;
    EXPECT_EQ(DeclaredPpmdModel(in, rar5), 0u);
    EXPECT_EQ(DeclaredPpmdModel(in, At3(1)), 0u);
    auto cut = Stream("\xA5");
    EXPECT_EQ(DeclaredPpmdModel(cut, At3(2)), 0u);
}

// The largest model the entries of a real archive declare, found through
// the offsets the reader gives.
std::uint64_t LargestModelIn(const std::string& name) {
    const std::string path = std::string(RAR_CORPUS_DIR) + "/good/" + name;
    Archive archive(path);
    std::ifstream raw(path, std::ios::binary);
    std::uint64_t largest = 0;
    while (archive.NextEntry())
        largest = std::max(largest, DeclaredPpmdModel(raw, archive.Current()));
    return largest;
}

TEST(DeclaredPpmdModel, ReadsTheSizeRealArchivesDeclare) {
    EXPECT_EQ(LargestModelIn("jr-ppm_preserved-maxmb0.rar"), 1 * kMb);
    EXPECT_EQ(LargestModelIn("jr-ppm_legit-maxmb63.rar"), 64 * kMb);
    EXPECT_EQ(LargestModelIn("jr-ppm_hostile-maxmb255.rar"), 256 * kMb);
    EXPECT_EQ(LargestModelIn("sc-Rar.rar"), 0u);
}

} // namespace
} // namespace rar::bench
