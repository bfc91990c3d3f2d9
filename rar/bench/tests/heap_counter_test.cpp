#include "rar/bench/heap_counter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <new>

namespace rar::bench {
namespace {

constexpr std::int64_t kBlock = 1 << 20;

// Where allocations go so the optimiser cannot drop them as unused.
void* volatile kept = nullptr;

TEST(HeapCounter, CountsOperatorNewUntilDelete) {
    const std::int64_t before = HeapLive();
    auto* block = new std::uint8_t[kBlock];
    kept = block;
    EXPECT_GE(HeapLive() - before, kBlock);
    EXPECT_LT(HeapLive() - before, kBlock + 64 * 1024);
    delete[] block;
    EXPECT_EQ(HeapLive(), before);
}

TEST(HeapCounter, CountsAlignedOperatorNew) {
    const std::int64_t before = HeapLive();
    void* block = ::operator new (kBlock, std::align_val_t{4096});
    kept = block;
    EXPECT_GE(HeapLive() - before, kBlock);
    ::operator delete (block, std::align_val_t{4096});
    EXPECT_EQ(HeapLive(), before);
}

TEST(HeapCounter, CountsCallocAndFree) {
    const std::int64_t before = HeapLive();
    void* block = std::calloc(kBlock, 1);
    kept = block;
    EXPECT_GE(HeapLive() - before, kBlock);
    std::free(block);
    EXPECT_EQ(HeapLive(), before);
}

TEST(HeapCounter, ReallocCountsOnlyTheNewSize) {
    const std::int64_t before = HeapLive();
    void* block = std::malloc(1000);
    kept = block;
    block = std::realloc(block, 4 * kBlock);
    kept = block;
    EXPECT_GE(HeapLive() - before, 4 * kBlock);
    EXPECT_LT(HeapLive() - before, 4 * kBlock + 64 * 1024);
    block = std::realloc(block, 0);
    kept = block;
    std::free(block);
    EXPECT_EQ(HeapLive(), before);
}

TEST(HeapCounter, PosixMemalignRefusesBadAlignmentAndCountsGoodOnes) {
    const std::int64_t before = HeapLive();
    void* block = nullptr;
    EXPECT_EQ(posix_memalign(&block, 3, 100), EINVAL);
    EXPECT_EQ(HeapLive(), before);
    ASSERT_EQ(posix_memalign(&block, 256, kBlock), 0);
    kept = block;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 256, 0u);
    EXPECT_GE(HeapLive() - before, kBlock);
    std::free(block);
    EXPECT_EQ(HeapLive(), before);
}

TEST(HeapCounter, PeakKeepsTheHighestLevelUntilReset) {
    ResetHeapPeak();
    const std::int64_t before = HeapLive();
    EXPECT_EQ(HeapPeak(), before);
    void* block = std::malloc(2 * kBlock);
    kept = block;
    std::free(block);
    EXPECT_GE(HeapPeak() - before, 2 * kBlock);
    ResetHeapPeak();
    EXPECT_EQ(HeapPeak(), HeapLive());
}

} // namespace
} // namespace rar::bench
