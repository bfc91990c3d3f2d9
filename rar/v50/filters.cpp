#include "rar/v50/filters.h"

#include <cstring>

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

namespace {

// The first index from `i` on, below `end`, whose byte is 0xe8 (or 0xe9 too
// when `mask` is 0xfe); `end` when there is none. Eight bytes are tested at
// once: after masking and comparing, a wanted byte is a zero byte.
std::size_t FindOpcode(const std::uint8_t* data, std::size_t i, std::size_t end,
                       std::uint8_t mask) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    const std::uint64_t maskWord = kOnes * mask;
    for (; i + 8 <= end; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        const std::uint64_t x = (word & maskWord) ^ (kOnes * 0xe8);
        if (((x - kOnes) & ~x & (kOnes * 0x80)) != 0) {
            break;
        }
    }
    for (; i < end; ++i) {
        if ((data[i] & mask) == 0xe8) {
            return i;
        }
    }
    return end;
}

} // namespace

void UndoE8(std::uint8_t* data, std::size_t length, std::uint32_t fileOffset, bool e9) {
    // Addresses are translated modulo a 16 MB image, as the compressor did.
    constexpr std::uint32_t kImageSize = 0x1000000;
    // 0xe8 and 0xe9 differ in the lowest bit only: one test finds either.
    const std::uint8_t opcodeMask = e9 ? 0xfe : 0xff;
    // An opcode needs its four address bytes inside the block.
    const std::size_t end = length > 4 ? length - 4 : 0;
    for (std::size_t i = FindOpcode(data, 0, end, opcodeMask); i < end;
         i = FindOpcode(data, i, end, opcodeMask)) {
        ++i;
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
