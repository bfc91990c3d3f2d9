#pragma once
// Memory sources and sinks for the decoder tests, and bytes to fill streams.
#include "rar/tests/memory_io.h"

#include <cstdint>
#include <vector>

namespace rar::v50::test {

using rar::test::MemorySink;
using rar::test::MemorySource;

// Deterministic bytes that are hard to compress.
inline std::vector<std::uint8_t> NoiseBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = std::uint8_t(seed >> 24);
    }
    return bytes;
}

} // namespace rar::v50::test
