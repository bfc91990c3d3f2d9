#pragma once
// The transforms the compressor applies to parts of the data before packing
// them, and their inverses that restore the data after unpacking.
#include <cstddef>
#include <cstdint>

namespace rar::v50 {

enum class FilterType : std::uint8_t { Delta = 0, E8 = 1, E8E9 = 2, Arm = 3 };

// One filtered range of the unpacked stream.
struct Filter {
    FilterType type = FilterType::Delta;
    std::uint64_t start = 0; // absolute position in the unpacked stream
    std::uint32_t length = 0;
    unsigned channels = 0; // Delta only: 1 to 32
};

// The compressor stores each of the `channels` interleaved byte streams as
// differences, one stream after the other; this writes them back interleaved.
void UndoDelta(const std::uint8_t* packed, std::uint8_t* out, std::size_t length,
               unsigned channels);

// x86 CALL (0xE8), and with `e9` also JMP (0xE9), targets were made absolute
// against `fileOffset`, the offset of `data` in the file; this makes them
// relative again, in place.
void UndoE8(std::uint8_t* data, std::size_t length, std::uint32_t fileOffset, bool e9);

// ARM BL targets, the same way, in place.
void UndoArm(std::uint8_t* data, std::size_t length, std::uint32_t fileOffset);

} // namespace rar::v50
