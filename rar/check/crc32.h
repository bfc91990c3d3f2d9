#pragma once
// The checksums RAR archives carry: CRC-32 for headers, file data and filter
// recognition, and the oldest format's 16-bit rotating sum for file data.
#include <cstddef>
#include <cstdint>

namespace rar {

// Continues `crc` (0 to start) over `size` bytes.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Continues `sum` (0 to start): add each byte, then rotate the 16 bits left.
std::uint16_t OldChecksum(std::uint16_t sum, const std::uint8_t* data, std::size_t size);

} // namespace rar
