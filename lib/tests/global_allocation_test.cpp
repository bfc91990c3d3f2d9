// Runs with the replaced global operator new/delete family linked in.
#include "lib/free_hook.h"
#include "lib/memory_manager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace setupkit {
namespace {

struct Counts {
    int allocations = 0;
    int releases = 0;
    void* lastAllocated = nullptr;
    void* lastReleased = nullptr;
    bool failAllocations = false;
};
Counts counts;

void* CountingGetMem(std::size_t size) {
    if (counts.failAllocations)
        return nullptr;
    ++counts.allocations;
    counts.lastAllocated = DefaultGetMem(size);
    return counts.lastAllocated;
}
int CountingFreeMem(void* block) {
    ++counts.releases;
    counts.lastReleased = block;
    return DefaultFreeMem(block);
}

// Swaps in the counting manager for one test.
class GlobalAllocationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        counts = Counts{};
        saved_ = GetMemoryManager();
        SetMemoryManager({CountingGetMem, CountingFreeMem, nullptr});
    }
    void TearDown() override { SetMemoryManager(saved_); }

    TMemoryManager saved_{};
};

TEST_F(GlobalAllocationTest, EveryNewAndDeleteFormReachesTheManager) {
    int* single = new int(5);
    EXPECT_EQ(counts.lastAllocated, single);
    delete single;
    EXPECT_EQ(counts.lastReleased, single);

    char* array = new char[100];
    EXPECT_EQ(counts.lastAllocated, array);
    delete[] array;
    EXPECT_EQ(counts.lastReleased, array);

    double* quiet = new (std::nothrow) double(1.5);
    EXPECT_EQ(counts.lastAllocated, quiet);
    ::operator delete(quiet, sizeof(double));
    EXPECT_EQ(counts.lastReleased, quiet);

    void* empty = ::operator new(0);
    EXPECT_NE(empty, nullptr);
    ::operator delete(empty);
    EXPECT_EQ(counts.allocations, 4);
    EXPECT_EQ(counts.releases, 4);
}

TEST_F(GlobalAllocationTest, OverAlignedObjectsAreAlignedAndReleaseTheManagersBlock) {
    struct alignas(64) Wide {
        char bytes[64];
    };
    Wide* wide = new Wide[3];
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 64, 0u);
    void* block = counts.lastAllocated;
    EXPECT_EQ(counts.allocations, 1);
    delete[] wide;
    EXPECT_EQ(counts.releases, 1);
    EXPECT_EQ(counts.lastReleased, block);

    void* small = ::operator new(8, std::align_val_t(2), std::nothrow);
    ASSERT_NE(small, nullptr);
    ::operator delete(small, std::align_val_t(2), std::nothrow);
    EXPECT_EQ(counts.releases, 2);
}

int handlerCalls = 0;
void RestoreAllocations() {
    ++handlerCalls;
    counts.failAllocations = false;
}

TEST_F(GlobalAllocationTest, FailedAllocationAsksTheNewHandlerThenThrows) {
    counts.failAllocations = true;
    EXPECT_EQ(new (std::nothrow) int(1), nullptr);
    EXPECT_THROW(static_cast<void>(::operator new(16)), std::bad_alloc);
    EXPECT_THROW(static_cast<void>(::operator new(16, std::align_val_t(32))), std::bad_alloc);

    handlerCalls = 0;
    std::new_handler previous = std::set_new_handler(RestoreAllocations);
    int* value = new int(7);
    std::set_new_handler(previous);
    EXPECT_EQ(handlerCalls, 1);
    EXPECT_EQ(*value, 7);
    delete value;
}

void CountTold(void* context, void*) {
    ++*static_cast<int*>(context);
}

TEST(GlobalAllocationHook, DeletingAWatchedObjectTellsItsSubscriber) {
    FreeHookInstallation hook;
    int told = 0;
    auto* text = new std::string(100, 'x');
    std::vector<int> numbers(1000, 1);
    WatchFree(text, CountTold, &told);
    WatchFree(numbers.data(), CountTold, &told);
    numbers.resize(100000);
    EXPECT_EQ(told, 1) << "the vector's old storage was released on growth";
    delete text;
    EXPECT_EQ(told, 2);
}

} // namespace
} // namespace setupkit
