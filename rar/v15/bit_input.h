#pragma once
// Most-significant-bit-first reading of one entry's packed bytes.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::v15 {

class BitInput {
  public:
    explicit BitInput(ByteSource& source);

    // The next 16 bits, not consumed. Past the end of the entry the input
    // reads as zero bits, so that a short final code can still be looked up.
    std::uint32_t Peek16() {
        Fill();
        return static_cast<std::uint32_t>(bits_ >> (count_ - 16)) & 0xffff;
    }
    // Consumes `count` (at most 16) bits.
    void Skip(unsigned count) {
        Fill();
        count_ -= count;
        if (count_ < padding_) {
            overrun_ = true;
            padding_ = count_;
        }
    }
    // True once bits beyond the end of the entry have been consumed.
    bool Overrun() const { return overrun_; }

  private:
    void Fill() {
        while (count_ < 16)
            Append(NextByte());
    }
    void Append(std::uint8_t byte) {
        bits_ = bits_ << 8 | byte;
        count_ += 8;
    }
    std::uint8_t NextByte();

    ByteSource& source_;
    std::vector<std::uint8_t> chunk_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    // Zero bits appended after the end, still counted in count_.
    unsigned padding_ = 0;
    bool overrun_ = false;
};

} // namespace rar::v15
