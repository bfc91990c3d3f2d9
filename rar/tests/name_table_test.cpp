#include "rar/disk/name_table.h"

#include <gtest/gtest.h>

#include <string>

namespace rar {
namespace {

// Names that share a long prefix, past several growths of the table: every
// one is found with its own value, and absent names are not.
TEST(NameTable, KeepsEveryNameThroughGrowthAndForgetsAllOnClear) {
    NameTable<std::string, int> table;
    constexpr int kNames = 5000;
    const auto name = [](int i) { return "folder/sub/" + std::to_string(i); };
    for (int i = 0; i < kNames; ++i)
        table[name(i)] = i;
    table[name(7)] = -7; // an existing name is overwritten, not added
    for (int i = 0; i < kNames; ++i) {
        const int* value = table.Find(name(i));
        ASSERT_NE(value, nullptr) << name(i);
        EXPECT_EQ(*value, i == 7 ? -7 : i);
    }
    EXPECT_EQ(table.Find(name(kNames)), nullptr);
    EXPECT_EQ(table.Find(""), nullptr);
    table[""] = 1; // the empty name is a name too
    EXPECT_NE(table.Find(""), nullptr);

    EXPECT_FALSE(table.Empty());
    table.Clear();
    EXPECT_TRUE(table.Empty());
    EXPECT_EQ(table.Find(name(1)), nullptr);
    table[name(1)] = 2;
    EXPECT_EQ(*table.Find(name(1)), 2);
}

} // namespace
} // namespace rar
