#pragma once
// Writes 2.0 streams bit by bit, with code tables simple enough to write by
// hand: every main symbol 9 bits, every distance slot 6, every length slot 5,
// so that a symbol's code is its own number.
#include "rar/encode/bit_writer.h"
#include "rar/tests/memory_io.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rar::v20::testing {

constexpr unsigned kTableSize = 298 + 48 + 28;
using Lengths = std::array<std::uint8_t, kTableSize>;

class StreamWriter {
  public:
    void Put(std::uint32_t value, unsigned bits) { bits_.Put(value, bits); }
    const std::vector<std::uint8_t>& Bytes() const { return bits_.Bytes(); }

    // An LZ block header whose lengths are sent as differences from `old`,
    // with a length-code in which every one of its 19 symbols is 5 bits long.
    void Tables(const Lengths& lengths, const Lengths& old, bool keepOld) {
        Put(keepOld ? 1 : 0, 2);
        for (int i = 0; i < 19; ++i)
            Put(5, 4);
        for (unsigned i = 0; i < kTableSize; ++i) {
            unsigned base = keepOld ? old[i] : 0;
            Put((lengths[i] - base) & 0xf, 5);
        }
    }
    // A multimedia block header: every symbol of each channel's code 9 bits.
    void AudioTables(unsigned channels) {
        Put(2, 2);
        Put(channels - 1, 2);
        for (int i = 0; i < 19; ++i)
            Put(5, 4);
        for (unsigned i = 0; i < 257 * channels; ++i)
            Put(9, 5);
    }
    void Literal(std::uint8_t byte) { Put(byte, 9); }
    void Symbol(unsigned symbol) { Put(symbol, 9); }
    void Distance(unsigned slot) { Put(slot, 6); }
    void LengthSlot(unsigned slot) { Put(slot, 5); }

  private:
    rar::encode::BitWriter bits_;
};

// Streams written here reach the decoder from memory.
using rar::test::MemorySink;
using rar::test::MemorySource;

inline Lengths PlainLengths() {
    Lengths l{};
    std::memset(l.data(), 9, 298);
    std::memset(l.data() + 298, 6, 48);
    std::memset(l.data() + 298 + 48, 5, 28);
    return l;
}

// Literals only, each 8 bits: nothing else can be sent with these lengths.
inline Lengths LiteralOnlyLengths() {
    Lengths l{};
    std::memset(l.data(), 8, 256);
    return l;
}

} // namespace rar::v20::testing
