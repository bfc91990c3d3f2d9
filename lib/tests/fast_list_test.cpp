#include "lib/fast_list.h"
#include "lib/memory_manager.h"
#include "lib/setup_error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace setupkit {
namespace {

void* Ref(std::uintptr_t n) {
    return reinterpret_cast<void*>(n);
}

std::vector<std::uintptr_t> Contents(const TFastList& list) {
    std::vector<std::uintptr_t> values;
    for (std::int32_t i = 0; i < list.Count(); ++i)
        values.push_back(reinterpret_cast<std::uintptr_t>(list.Items(i)));
    return values;
}

TEST(FastList, InsertAndDeleteShiftTheFollowingEntries) {
    TFastList list;
    list.Add(Ref(1));
    list.Add(Ref(3));
    list.Insert(1, Ref(2));
    list.Insert(0, Ref(0));
    list.Insert(4, Ref(4));
    EXPECT_EQ(Contents(list), (std::vector<std::uintptr_t>{0, 1, 2, 3, 4}));
    list.Delete(0);
    list.Delete(2);
    list.Delete(2);
    EXPECT_EQ(Contents(list), (std::vector<std::uintptr_t>{1, 2}));
    EXPECT_THROW(list.Insert(3, Ref(9)), SetupError);
    EXPECT_THROW(list.Delete(2), SetupError);
}

int resizes = 0;
void* CountingResize(void* block, std::size_t size) {
    ++resizes;
    return DefaultReallocMem(block, size);
}

TEST(FastList, GrowsThroughTheMemoryManagerKeepingEveryEntry) {
    const TMemoryManager saved = GetMemoryManager();
    SetMemoryManager({nullptr, nullptr, CountingResize});
    resizes = 0;
    std::vector<std::uintptr_t> expected;
    {
        TFastList list;
        for (std::uintptr_t n = 1; n <= 1000; ++n) {
            list.Insert(static_cast<std::int32_t>(n % 2 ? list.Count() : 0), Ref(n));
            expected.insert(n % 2 ? expected.end() : expected.begin(), n);
        }
        EXPECT_EQ(Contents(list), expected);
    }
    SetMemoryManager(saved);
    EXPECT_GT(resizes, 1);
    EXPECT_LT(resizes, 30) << "growth must not resize on every insertion";
}

} // namespace
} // namespace setupkit
