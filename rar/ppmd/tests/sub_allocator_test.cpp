// The unit allocator decides when the model runs out of room; these cases
// protect the bookkeeping that decides it.
#include "rar/ppmd/sub_allocator.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace rar::ppmd {
namespace {

constexpr std::uint32_t kUnit = SubAllocator::kUnitSize;

struct Fresh {
    Fresh() {
        mem.Start(1);
        mem.Init();
    }
    SubAllocator mem;
};

TEST(SubAllocator, ContextsComeFromTheTopAndListsFromTheBottomWithoutOverlap) {
    Fresh f;
    std::uint32_t c1 = f.mem.AllocContext();
    std::uint32_t c2 = f.mem.AllocContext();
    std::uint32_t u1 = f.mem.AllocUnits(3);
    std::uint32_t u2 = f.mem.AllocUnits(1);
    EXPECT_EQ(c1, f.mem.heapEnd - kUnit);
    EXPECT_EQ(c2, c1 - kUnit);
    EXPECT_EQ(u1, f.mem.unitsStart);
    EXPECT_EQ(u2, u1 + 3 * kUnit);
    // The text area is the bottom eighth of the heap.
    EXPECT_GE(f.mem.unitsStart - f.mem.text, (1u << 20) / 8);
}

TEST(SubAllocator, FreedBlocksAreReusedBeforeFreshSpace) {
    Fresh f;
    std::uint32_t a = f.mem.AllocUnits(4);
    f.mem.AllocUnits(4);
    f.mem.FreeUnits(a, 4);
    EXPECT_EQ(f.mem.AllocUnits(4), a);
    std::uint32_t two = f.mem.AllocUnits(2);
    f.mem.FreeUnits(two, 2);
    // A request for three units does not take the two-unit block.
    EXPECT_NE(f.mem.AllocUnits(3), two);
}

TEST(SubAllocator, ExpandAndShrinkKeepTheContents) {
    Fresh f;
    std::uint32_t block = f.mem.AllocUnits(2);
    for (std::uint32_t i = 0; i < 2 * kUnit; ++i)
        f.mem.heap.SetByte(block + i, static_cast<std::uint8_t>(i + 1));
    std::uint32_t grown = f.mem.ExpandUnits(block, 2);
    ASSERT_NE(grown, 0u);
    EXPECT_NE(grown, block);
    for (std::uint32_t i = 0; i < 2 * kUnit; ++i)
        ASSERT_EQ(f.mem.heap.Byte(grown + i), i + 1);
    std::uint32_t shrunk = f.mem.ShrinkUnits(grown, 3, 1);
    for (std::uint32_t i = 0; i < kUnit; ++i)
        ASSERT_EQ(f.mem.heap.Byte(shrunk + i), i + 1);
}

TEST(SubAllocator, FullHeapReportsNoRoomAndBlocksNeverOverlap) {
    Fresh f;
    std::set<std::uint32_t> seen;
    std::uint32_t units = 0;
    for (;;) {
        std::uint32_t block = f.mem.AllocUnits(7);
        if (block == 0)
            break;
        ASSERT_TRUE(seen.insert(block).second);
        ASSERT_GE(block, f.mem.text);
        ASSERT_LE(block + 8 * kUnit, f.mem.heapEnd);
        units += 8;
    }
    // The whole unit area, and the free part of the text area, was handed out.
    EXPECT_GT(units * kUnit, (1u << 20) * 7 / 8);
    EXPECT_EQ(f.mem.AllocContext() == 0, f.mem.unitsStart - f.mem.text <= kUnit);
}

TEST(SubAllocator, SmallFreedNeighboursAreGluedIntoALargerBlock) {
    Fresh f;
    std::vector<std::uint32_t> small;
    while (std::uint32_t block = f.mem.AllocUnits(1))
        small.push_back(block);
    // Free eighteen adjacent units: only glued together can they serve an
    // eighteen-unit request.
    std::uint32_t first = small[100];
    for (std::uint32_t i = 0; i < 18; ++i)
        f.mem.FreeUnits(first + i * kUnit, 1);
    // Glue passes are rationed: one comes within a full turn of the counter.
    std::uint32_t big = 0;
    for (int attempt = 0; attempt < 257 && big == 0; ++attempt)
        big = f.mem.AllocUnits(18);
    EXPECT_EQ(big, first);
}

} // namespace
} // namespace rar::ppmd
