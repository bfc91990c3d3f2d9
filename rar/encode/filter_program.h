#pragma once
// The filter programs an encoder sends. A decoder knows the standard filters
// by the size and CRC32 of their program and runs its own code for them, so
// any bytes of that size and CRC serve; the first byte is also made the XOR
// of the others, the check a decoder that still reads the program applies
// before it looks any further.
#include "rar/check/crc32.h"
#include "rar/check/crc32_paths.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace rar::encode {

namespace detail {

// Sets the last four bytes of `code` so that its CRC32 is `crc`.
inline void ForceCrc(std::vector<std::uint8_t>& code, std::uint32_t crc) {
    const auto& table = crc32_paths::ByteTable();
    const std::size_t size = code.size();
    const std::uint32_t reg = ~Crc32(0, code.data(), size - 4);
    // Walk back from the wanted register value: each table entry's top byte
    // is unique, which fixes the index of every one of the last four steps.
    std::uint32_t want = ~crc;
    for (int step = 0; step < 4; ++step) {
        std::uint32_t j = 0;
        while ((table[j] >> 24) != (want >> 24))
            ++j;
        want = ((want ^ table[j]) << 8) | j;
    }
    const std::uint32_t tail = want ^ reg;
    for (std::size_t i = 0; i < 4; ++i)
        code[size - 4 + i] = static_cast<std::uint8_t>(tail >> (8 * i));
}

inline std::uint8_t XorOfRest(const std::vector<std::uint8_t>& code) {
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < code.size(); ++i)
        sum ^= code[i];
    return sum;
}

} // namespace detail

// Bytes of `size` (at least 4) whose CRC32 is `crc`; from 7 bytes on, the
// first is also the XOR of the rest. Two free bytes are tried in turn until
// the forced tail keeps the XOR right, which one value in 256 does.
inline std::vector<std::uint8_t> ProgramWithCrc(std::size_t size, std::uint32_t crc) {
    std::vector<std::uint8_t> code(size, 0x5a);
    if (size < 4)
        throw std::logic_error("a filter program has at least 4 bytes");
    for (std::uint32_t free = 0; free < 0x10000; ++free) {
        if (size >= 7) {
            code[1] = static_cast<std::uint8_t>(free);
            code[2] = static_cast<std::uint8_t>(free >> 8);
        }
        detail::ForceCrc(code, crc);
        if (size < 7 || detail::XorOfRest(code) == code[0])
            return code;
    }
    throw std::logic_error("no filter program of that size and CRC");
}

} // namespace rar::encode
