// Block headers the model refuses, and arbitrary input, must end as
// DataError: never a crash, a hang or a read outside the model's memory.
#include "rar/ppmd/model.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace rar::ppmd {
namespace {

struct Bytes : BytePuller {
    explicit Bytes(std::vector<std::uint8_t> b) : data(std::move(b)) {}
    std::uint8_t Next() override {
        if (pos == data.size())
            throw DataError("end of test data");
        return data[pos++];
    }
    std::vector<std::uint8_t> data;
    std::size_t pos = 0;
};

TEST(PpmdModel, BlockWithoutResetNeedsAnEarlierModel) {
    Model model;
    Bytes in({0x80 | 0x05, 0, 0, 0, 0});
    std::uint8_t escape = 2;
    EXPECT_THROW(model.StartBlock(in, escape), DataError);
}

TEST(PpmdModel, OrderOneIsRefusedAndDropsTheModel) {
    Model model;
    std::uint8_t escape = 2;
    Bytes good({0x80 | 0x20 | 0x05, 0, 0, 0, 0, 0});
    model.StartBlock(good, escape);
    Bytes orderOne({0x80 | 0x20, 0, 0, 0, 0, 0});
    EXPECT_THROW(model.StartBlock(orderOne, escape), DataError);
    Bytes keep({0x80 | 0x05, 0, 0, 0, 0});
    EXPECT_THROW(model.StartBlock(keep, escape), DataError);
}

TEST(PpmdModel, HeaderSetsTheEscapeByteOnlyWhenAsked) {
    Model model;
    std::uint8_t escape = 2;
    Bytes plain({0x80 | 0x20 | 0x05, 0, 0, 0, 0, 0});
    model.StartBlock(plain, escape);
    EXPECT_EQ(escape, 2);
    Bytes withEscape({0x80 | 0x40 | 0x20 | 0x05, 0, 0x7f, 0, 0, 0, 0});
    model.StartBlock(withEscape, escape);
    EXPECT_EQ(escape, 0x7f);
    EXPECT_EQ(withEscape.pos, withEscape.data.size());
}

TEST(PpmdModel, RandomInputEndsInBytesOrDataErrorForEveryOrder) {
    std::mt19937 random(12345);
    for (unsigned order = 1; order < 32; ++order) {
        std::vector<std::uint8_t> data(20000);
        for (auto& b : data)
            b = static_cast<std::uint8_t>(random());
        data[0] = static_cast<std::uint8_t>(0x80 | 0x20 | order);
        data[1] = 0;
        Bytes in(data);
        Model model;
        std::uint8_t escape = 2;
        model.StartBlock(in, escape);
        try {
            for (int i = 0; i < 200000; ++i)
                model.DecodeByte();
        } catch (const DataError&) {
        }
        EXPECT_LE(in.pos, data.size());
    }
}

} // namespace
} // namespace rar::ppmd
