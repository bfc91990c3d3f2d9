#include "lib/file.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace setupkit::file {
namespace {

TEST(WholeFiles, EveryByteIsWrittenAndReadBackAndAMissingFileFails) {
    const std::string path = "whole_file_test.bin";
    const std::string bytes("a\0b\r\n\x1A\xFF", 7);
    ASSERT_TRUE(WriteAll(path, bytes));
    std::string read = "left over";
    ASSERT_TRUE(ReadAll(path, read));
    EXPECT_EQ(read, bytes);
    ASSERT_TRUE(WriteAll(path, ""));
    ASSERT_TRUE(ReadAll(path, read));
    EXPECT_EQ(read, "");
    std::remove(path.c_str());
    EXPECT_FALSE(ReadAll(path, read));
    EXPECT_FALSE(WriteAll("no such folder/whole_file_test.bin", bytes));
}

} // namespace
} // namespace setupkit::file
