#include "lib/free_hook.h"
#include "lib/memory_manager.h"
#include "lib/setup_error.h"
#include "lib/sorted_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace setupkit {
namespace {

struct Entry {
    int key;
};

// Sorted by each entry's key; keys are plain ints.
class KeyList : public TCustomSortedList {
  public:
    int Compare(const void* entry, const void* key) const override {
        return Order(static_cast<const Entry*>(entry)->key, *static_cast<const int*>(key));
    }
    int CompareItems(const void* a, const void* b) const override {
        return Order(static_cast<const Entry*>(a)->key, static_cast<const Entry*>(b)->key);
    }
    void Delete(std::int32_t index) override {
        deleted.push_back(index);
        TCustomSortedList::Delete(index);
    }

    std::vector<std::int32_t> deleted;

  private:
    static int Order(int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); }
};

class SortedListTest : public ::testing::Test {
  protected:
    // Adds entries with these keys, equal keys included, whatever the list's
    // own mode.
    void Fill(std::initializer_list<int> keys) {
        const std::uint8_t mode = list_.Duplicates;
        list_.Duplicates = 1;
        for (int key : keys) {
            entries_.push_back(std::make_unique<Entry>(Entry{key}));
            ASSERT_GE(list_.Add(entries_.back().get()), 0);
        }
        list_.Duplicates = mode;
    }
    std::vector<int> Keys() const {
        std::vector<int> keys;
        for (std::int32_t i = 0; i < list_.Count(); ++i)
            keys.push_back(static_cast<Entry*>(list_.Items(i))->key);
        return keys;
    }
    bool Find(int key, std::int32_t& index) const { return list_.Find(&key, index); }
    std::int32_t IndexOf(int key) const { return list_.IndexOf(&key); }

    KeyList list_;
    std::vector<std::unique_ptr<Entry>> entries_;
};

TEST_F(SortedListTest, NewListIsSortedEmptyAndFindsNothing) {
    EXPECT_TRUE(list_.Sorted);
    EXPECT_EQ(list_.Duplicates, 0);
    EXPECT_EQ(list_.Count(), 0);
    std::int32_t index = 99;
    EXPECT_FALSE(Find(5, index));
    EXPECT_EQ(index, 0);
    Entry probe{5};
    index = 99;
    EXPECT_FALSE(list_.FindItem(&probe, index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(IndexOf(5), -1);
    EXPECT_EQ(list_.Remove(&probe), -1);
    EXPECT_TRUE(list_.deleted.empty());
}

TEST_F(SortedListTest, MissingKeyReportsItsInsertionPlace) {
    Fill({10, 20, 30, 40});
    std::int32_t index = -7;
    EXPECT_FALSE(Find(5, index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(Find(45, index));
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(Find(25, index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(IndexOf(25), -1);
    EXPECT_TRUE(Find(40, index));
    EXPECT_EQ(index, 3);
}

TEST_F(SortedListTest, EqualKeysWithDuplicatesOneGiveTheLowestPosition) {
    Fill({1, 2, 5, 5, 5, 8, 9});
    list_.Duplicates = 1;
    std::int32_t index = -1;
    EXPECT_TRUE(Find(5, index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(IndexOf(5), 2);
}

TEST_F(SortedListTest, EqualKeysWithDuplicatesZeroGiveTheFirstOneTheHalvingMeets) {
    Fill({1, 2, 5, 5, 5, 8, 9});
    std::int32_t index = -1;
    EXPECT_TRUE(Find(5, index));
    EXPECT_EQ(index, 3);

    list_.Duplicates = 2;
    EXPECT_TRUE(Find(5, index));
    EXPECT_EQ(index, 3) << "every mode but 1 stops at the first equal entry";
}

TEST_F(SortedListTest, FirstMetEqualEntryNeedNotBeTheLowest) {
    Fill({0, 1, 5, 5, 5, 8, 9, 10, 11});
    std::int32_t index = -1;
    EXPECT_TRUE(Find(5, index));
    EXPECT_EQ(index, 4);
    list_.Duplicates = 1;
    EXPECT_TRUE(Find(5, index));
    EXPECT_EQ(index, 2);
}

TEST_F(SortedListTest, RemoveTakesTheEntryFoundByComparisonThroughVirtualDelete) {
    Fill({1, 3, 3, 7});
    list_.Duplicates = 1;
    Entry twin{3};
    EXPECT_EQ(list_.Remove(&twin), 1);
    EXPECT_EQ(list_.deleted, std::vector<std::int32_t>{1});
    EXPECT_EQ(list_.Items(1), entries_[2].get());
    EXPECT_EQ(Keys(), (std::vector<int>{1, 3, 7}));
}

TEST_F(SortedListTest, UnsortedFindItemMatchesOnlyTheSameReference) {
    list_.Sorted = false;
    Fill({4, 9, 4});
    Entry twin{4};
    std::int32_t index = 99;
    EXPECT_FALSE(list_.FindItem(&twin, index));
    EXPECT_EQ(index, -1);
    EXPECT_TRUE(list_.FindItem(entries_[2].get(), index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list_.Remove(&twin), -1);
    EXPECT_EQ(list_.Remove(entries_[2].get()), 2);
    EXPECT_EQ(Keys(), (std::vector<int>{4, 9}));
}

TEST_F(SortedListTest, UnsortedListAppendsAndScansByKeyFromTheFirstEntry) {
    list_.Sorted = false;
    Fill({9, 4, 7, 4});
    EXPECT_EQ(Keys(), (std::vector<int>{9, 4, 7, 4}));
    std::int32_t index = 99;
    EXPECT_TRUE(Find(4, index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(IndexOf(7), 2);
    EXPECT_FALSE(Find(5, index));
    EXPECT_EQ(index, -1);
}

TEST_F(SortedListTest, AddKeepsTheOrderAndAppliesTheDuplicatesMode) {
    Fill({30, 10, 20});
    EXPECT_EQ(Keys(), (std::vector<int>{10, 20, 30}));

    Entry twin{20};
    EXPECT_EQ(list_.Add(&twin), -1);
    EXPECT_EQ(list_.Count(), 3);

    list_.Duplicates = 1;
    EXPECT_EQ(list_.Add(&twin), 2);
    EXPECT_EQ(list_.Items(1), entries_[2].get());
    EXPECT_EQ(list_.Items(2), &twin);
    EXPECT_EQ(Keys(), (std::vector<int>{10, 20, 20, 30}));
}

TEST_F(SortedListTest, IndexOutsideTheListRaisesTheListIndexError) {
    Fill({1, 2, 3});
    auto message = [](auto action) {
        try {
            action();
        } catch (const SetupError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { list_.Items(3); }), "List index out of bounds (3)");
    EXPECT_EQ(message([&] { list_.Items(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(message([&] { list_.Delete(7); }), "List index out of bounds (7)");
    EXPECT_EQ(list_.Count(), 3);
}

TEST(SortedListAddressOrder, BaseListOrdersReferencesAsUnsignedAddresses) {
    TCustomSortedList list;
    char block[3];
    void* high = reinterpret_cast<void*>(~static_cast<std::uintptr_t>(0) - 15);
    for (void* p : {static_cast<void*>(&block[2]), high, static_cast<void*>(&block[0]),
                    static_cast<void*>(&block[1])})
        ASSERT_GE(list.Add(p), 0);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(0), &block[0]);
    EXPECT_EQ(list.Items(1), &block[1]);
    EXPECT_EQ(list.Items(2), &block[2]);
    EXPECT_EQ(list.Items(3), high);
    EXPECT_EQ(list.IndexOf(&block[1]), 1);
    EXPECT_EQ(list.Remove(&block[1]), 1);
    EXPECT_EQ(list.IndexOf(&block[1]), -1);
}

void CountRelease(void* context, void*) {
    ++*static_cast<int*>(context);
}

TEST(SortedListLifetime, DestroyingAListLeavesItsObjectsAlive) {
    FreeHookInstallation hook;
    int released = 0;
    void* objects[3];
    {
        TCustomSortedList list;
        for (void*& object : objects) {
            object = AllocateBlock(16);
            WatchFree(object, CountRelease, &released);
            list.Add(object);
        }
        list.Delete(0);
    }
    EXPECT_EQ(released, 0);
    for (void* object : objects)
        EXPECT_EQ(ReleaseBlock(object), 0);
    EXPECT_EQ(released, 3);
}

} // namespace
} // namespace setupkit
