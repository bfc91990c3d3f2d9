#include "rar/v50/filters.h"

namespace rar::v50 {

void UndoDelta(const std::uint8_t* packed, std::uint8_t* out, std::size_t length,
               unsigned channels) {
    std::size_t source = 0;
    for (unsigned channel = 0; channel < channels; ++channel) {
        std::uint8_t previous = 0;
        for (std::size_t i = channel; i < length; i += channels) {
            previous = std::uint8_t(previous - packed[source++]);
            out[i] = previous;
        }
    }
}

void UndoE8(std::uint8_t* data, std::size_t length, std::uint32_t fileOffset, bool e9) {
    // Addresses are translated modulo a 16 MB image, as the compressor did.
    constexpr std::uint32_t kImageSize = 0x1000000;
    for (std::size_t i = 0; i + 4 < length;) {
        std::uint8_t opcode = data[i++];
        if (opcode != 0xe8 && !(e9 && opcode == 0xe9)) {
            continue;
        }
        std::uint8_t* p = data + i;
        std::uint32_t offset = std::uint32_t(i + fileOffset) % kImageSize;
        std::uint32_t address = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        std::uint32_t restored = 0;
        bool changed = false;
        if ((address & 0x80000000u) != 0) {
            changed = ((address + offset) & 0x80000000u) == 0;
            restored = address + kImageSize;
        } else {
            changed = address < kImageSize;
            restored = address - offset;
        }
        if (changed) {
            p[0] = std::uint8_t(restored);
            p[1] = std::uint8_t(restored >> 8);
            p[2] = std::uint8_t(restored >> 16);
            p[3] = std::uint8_t(restored >> 24);
        }
        i += 4;
    }
}

void UndoArm(std::uint8_t* data, std::size_t length, std::uint32_t fileOffset) {
    for (std::size_t i = 0; i + 3 < length; i += 4) {
        std::uint8_t* p = data + i;
        if (p[3] != 0xeb) {
            continue;
        }
        std::uint32_t target =
            std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
        target -= std::uint32_t(fileOffset + i) / 4;
        p[0] = std::uint8_t(target);
        p[1] = std::uint8_t(target >> 8);
        p[2] = std::uint8_t(target >> 16);
    }
}

} // namespace rar::v50
