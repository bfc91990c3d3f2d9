#pragma once
// The transforms an archiver may ask to be applied to a block of unpacked
// data. The format ships them as programs for a virtual machine; only the
// standard programs are known here, recognised by their size and CRC32, and
// run natively.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace rar::v29 {

enum class FilterKind { E8, E8E9, Itanium, Delta, Rgb, Audio };

// Size of the machine's memory: a block and, for the transforms that do not
// work in place, their output behind it must fit.
constexpr std::uint32_t kFilterMemorySize = 0x40000;

// The standard transform whose program `code` is, if any.
std::optional<FilterKind> IdentifyFilterProgram(const std::uint8_t* code, std::size_t size);

// How a program is recognised as `kind`: its size and CRC32.
struct FilterProgramId {
    std::size_t size;
    std::uint32_t crc;
};
FilterProgramId StandardProgramId(FilterKind kind);

// The machine's registers r0..r6 as the filter block sets them.
using FilterRegisters = std::array<std::uint32_t, 7>;

// Undoes `kind` on the `length` bytes at the start of `memory` (which holds
// kFilterMemorySize bytes). `fileOffset`: where the block starts in the entry.
// Returns the offset of the restored bytes in `memory`. Throws DataError when
// the parameters are out of range.
std::size_t RunFilter(FilterKind kind, const FilterRegisters& registers, std::uint8_t* memory,
                      std::uint32_t length, std::uint32_t fileOffset);

} // namespace rar::v29
