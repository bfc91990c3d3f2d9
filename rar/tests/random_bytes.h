#pragma once
// Incompressible bytes, the same for a seed on every machine.
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace rar::test {

inline std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random());
    return out;
}

} // namespace rar::test
