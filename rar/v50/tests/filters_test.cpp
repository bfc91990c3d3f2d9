// Each filter is checked against the transform the compressor applies, written
// here from the format description: undoing it must give the original bytes.
#include "rar/v50/filters.h"
#include "rar/v50/tests/test_io.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace rar::v50 {
namespace {

using test::NoiseBytes;

std::vector<std::uint8_t> DeltaForward(const std::vector<std::uint8_t>& data, unsigned channels) {
    std::vector<std::uint8_t> packed;
    for (unsigned channel = 0; channel < channels; ++channel) {
        std::uint8_t previous = 0;
        for (std::size_t i = channel; i < data.size(); i += channels) {
            packed.push_back(std::uint8_t(previous - data[i]));
            previous = data[i];
        }
    }
    return packed;
}

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(v >> (8 * i));
    }
}

// Relative CALL/JMP targets inside a 16 MB image become absolute.
std::vector<std::uint8_t> E8Forward(std::vector<std::uint8_t> data, std::uint32_t fileOffset,
                                    bool e9) {
    const std::int64_t image = 0x1000000;
    for (std::size_t i = 0; i + 4 < data.size();) {
        std::uint8_t opcode = data[i++];
        if (opcode != 0xe8 && !(e9 && opcode == 0xe9)) {
            continue;
        }
        std::int64_t offset = (i + fileOffset) % image;
        std::int64_t relative = std::int32_t(Get32(&data[i]));
        if (relative >= -offset && relative < image - offset) {
            Put32(&data[i], std::uint32_t(relative + offset));
        } else if (relative >= image - offset && relative < image) {
            Put32(&data[i], std::uint32_t(relative - image));
        }
        i += 4;
    }
    return data;
}

// BL targets are in 4-byte words, relative to the instruction.
std::vector<std::uint8_t> ArmForward(std::vector<std::uint8_t> data, std::uint32_t fileOffset) {
    for (std::size_t i = 0; i + 3 < data.size(); i += 4) {
        if (data[i + 3] == 0xeb) {
            std::uint32_t target = Get32(&data[i]) & 0xffffff;
            target += std::uint32_t(fileOffset + i) / 4;
            data[i] = std::uint8_t(target);
            data[i + 1] = std::uint8_t(target >> 8);
            data[i + 2] = std::uint8_t(target >> 16);
        }
    }
    return data;
}

// Code-like bytes: many CALL/JMP/BL opcodes with targets near and far.
std::vector<std::uint8_t> CodeBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> data = NoiseBytes(count, seed);
    for (std::size_t i = 0; i + 5 < count; i += 7) {
        data[i] = (i % 3 == 0) ? 0xe9 : 0xe8;
        std::int32_t target = std::int32_t(Get32(&data[i + 1])) >> (i % 29);
        Put32(&data[i + 1], std::uint32_t(target));
    }
    for (std::size_t i = 3; i < count; i += 8) {
        data[i] = 0xeb;
    }
    return data;
}

TEST(DeltaFilter, RestoresInterleavedChannels) {
    for (unsigned channels : {1u, 2u, 3u, 4u, 7u, 32u}) {
        for (std::size_t length : {0u, 1u, 5u, 31u, 32u, 1000u, 4099u}) {
            std::vector<std::uint8_t> data = NoiseBytes(length, channels * 1000 + unsigned(length));
            std::vector<std::uint8_t> packed = DeltaForward(data, channels);
            std::vector<std::uint8_t> out(length);
            UndoDelta(packed.data(), out.data(), length, channels);
            EXPECT_EQ(out, data) << channels << " channels, " << length << " bytes";
        }
    }
}

TEST(E8Filter, RestoresCallTargetsAtAnyFileOffset) {
    for (std::uint32_t fileOffset : {0u, 1u, 4096u, 0xfffff0u, 0x1000000u, 0x7fffffffu}) {
        std::vector<std::uint8_t> data = CodeBytes(5000, fileOffset + 17);
        std::vector<std::uint8_t> packed = E8Forward(data, fileOffset, false);
        ASSERT_NE(packed, data);
        UndoE8(packed.data(), packed.size(), fileOffset, false);
        EXPECT_EQ(packed, data) << "file offset " << fileOffset;
    }
}

TEST(E8Filter, TranslatesJumpsOnlyInE8E9Mode) {
    std::vector<std::uint8_t> data = CodeBytes(3000, 5);
    std::vector<std::uint8_t> both = E8Forward(data, 100, true);
    std::vector<std::uint8_t> restored = both;
    UndoE8(restored.data(), restored.size(), 100, true);
    EXPECT_EQ(restored, data);

    // An E9 target the compressor left alone must stay as it is in E8 mode.
    std::vector<std::uint8_t> jump = {0x90, 0xe9, 0x10, 0x00, 0x00, 0x00, 0x90};
    std::vector<std::uint8_t> kept = jump;
    UndoE8(kept.data(), kept.size(), 0, false);
    EXPECT_EQ(kept, jump);
}

TEST(E8Filter, LeavesTargetsOutsideTheImageAndTheLastFourBytes) {
    // Absolute 0x2000000 is outside the 16 MB image; a negative target that
    // stays negative after adding the offset was never translated.
    std::vector<std::uint8_t> data = {0xe8, 0x00, 0x00, 0x00, 0x02, 0xe8, 0x00, 0x00,
                                      0x00, 0xf0, 0x90, 0x90, 0xe8, 0x01, 0x02, 0x03};
    std::vector<std::uint8_t> out = data;
    UndoE8(out.data(), out.size(), 0, false);
    EXPECT_EQ(out, data);

    // Absolute 0x10 at offset 1 means relative 0x0f.
    std::vector<std::uint8_t> call = {0xe8, 0x10, 0x00, 0x00, 0x00, 0x90};
    UndoE8(call.data(), call.size(), 0, false);
    EXPECT_EQ(call, (std::vector<std::uint8_t>{0xe8, 0x0f, 0x00, 0x00, 0x00, 0x90}));
}

TEST(ArmFilter, RestoresBranchTargetsAtAnyFileOffset) {
    for (std::uint32_t fileOffset : {0u, 4u, 0x10000u, 0xfffffffcu}) {
        std::vector<std::uint8_t> data = CodeBytes(4002, fileOffset + 3);
        std::vector<std::uint8_t> packed = ArmForward(data, fileOffset);
        ASSERT_NE(packed, data);
        UndoArm(packed.data(), packed.size(), fileOffset);
        EXPECT_EQ(packed, data) << "file offset " << fileOffset;
    }
}

} // namespace
} // namespace rar::v50
