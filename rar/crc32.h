#pragma once
// The CRC-32 that RAR archives use for headers, file data and filter recognition.
#include <cstddef>
#include <cstdint>

namespace rar {

// Continues `crc` (0 to start) over `size` bytes.
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

} // namespace rar
