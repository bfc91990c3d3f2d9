#pragma once
// Damaged copies of real packed streams, for tests that a decoder ends
// cleanly whatever it is fed.
#include <cstdint>
#include <random>
#include <vector>

namespace rar::test {

// Every third round cuts the stream short; the others flip one to four bytes.
inline std::vector<std::uint8_t> DamagedCopy(std::vector<std::uint8_t> packed, int round,
                                             std::mt19937& random) {
    if (round % 3 == 0) {
        packed.resize(random() % packed.size());
    } else {
        for (int flips = 1 + round % 4; flips > 0; --flips)
            packed[random() % packed.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
    }
    return packed;
}

} // namespace rar::test
