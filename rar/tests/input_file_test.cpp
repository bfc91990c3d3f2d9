// Reads at explicit positions return the file's bytes whatever mix of small
// and large reads, near or far from each other, comes in.
#include "rar/format/input_file.h"
#include "rar/format/status.h"
#include "rar/tests/archive_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace rar::test {
namespace {

TEST(InputFile, ScatteredReadsOfEverySizeReturnTheFilesBytes) {
    Bytes content(200000 + 123);
    std::mt19937 random(7);
    for (auto& b : content)
        b = static_cast<std::uint8_t>(random());
    InputFile file(WriteTemp(content, "scattered.bin"));
    ASSERT_EQ(file.Size(), content.size());

    std::uniform_int_distribution<std::size_t> offsets(0, content.size() + 10);
    const std::size_t sizes[] = {0, 1, 7, 21, 4096, 65535, 65536, 70000};
    for (int round = 0; round < 2000; ++round) {
        const std::size_t offset = offsets(random);
        const std::size_t count = sizes[round % 8];
        Bytes got(count, 0xEE);
        const std::size_t read = file.ReadAt(offset, got.data(), count);
        const std::size_t available = offset < content.size() ? content.size() - offset : 0;
        ASSERT_EQ(read, std::min(count, available)) << offset << "+" << count;
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(read),
                               content.begin() + static_cast<std::ptrdiff_t>(offset)))
            << offset << "+" << count;
    }
}

TEST(InputFile, ReadExactlyPastTheEndIsAReadFailure) {
    InputFile file(WriteTemp(Bytes(100, 1), "short.bin"));
    std::uint8_t buffer[16];
    file.ReadExactly(84, buffer, 16);
    try {
        file.ReadExactly(90, buffer, 16);
        FAIL() << "read past the end";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.Code(), Status::ReadFailed);
    }
}

} // namespace
} // namespace rar::test
