#pragma once
// The two ways Crc32 can run, reachable on their own so that each can be
// checked against the other on any machine. Both take and return the register
// without the initial and final inversion.
#include <array>
#include <cstddef>
#include <cstdint>

namespace rar::crc32_paths {

// Eight bytes per step through lookup tables; runs everywhere.
std::uint32_t TableUpdate(std::uint32_t state, const std::uint8_t* data, std::size_t size);

// The one-byte step's table, for code that works the register backwards.
const std::array<std::uint32_t, 256>& ByteTable();

// Carry-less multiplication folding: true when this processor can run it.
bool FoldAvailable();
// Only when FoldAvailable(); any size (short inputs go through the tables).
std::uint32_t FoldUpdate(std::uint32_t state, const std::uint8_t* data, std::size_t size);

} // namespace rar::crc32_paths
