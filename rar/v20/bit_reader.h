#pragma once
// Most-significant-bit-first reading of an entry's packed bytes, the order in
// which the 2.0 format writes its codes.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::v20 {

class BitReader {
  public:
    explicit BitReader(ByteSource& source);

    // The next `count` bits (1..16) without consuming them. Past the end of the
    // entry the input reads as zero bits, so that the last code can be peeked
    // with a full width; Consume reports bits taken from that padding.
    std::uint32_t Peek(unsigned count) {
        if (bitCount_ < count)
            Refill();
        return static_cast<std::uint32_t>(bits_ >> (64 - count));
    }
    void Skip(unsigned count) {
        bits_ <<= count;
        bitCount_ -= count;
        consumed_ += count;
    }
    std::uint32_t Read(unsigned count) {
        std::uint32_t value = Peek(count);
        Skip(count);
        return value;
    }
    // Throws DataError when more bits were consumed than the entry holds.
    void CheckNotOverrun() const {
        if (consumed_ > available_)
            throw DataError("packed data ends early");
    }
    // Unconsumed bits of the entry, counting at most `limit`.
    std::uint64_t RemainingBits(std::uint64_t limit);

  private:
    void Refill() {
        if (end_ - pos_ < 8) {
            RefillSlowly();
            return;
        }
        std::uint64_t word = 0;
        for (int i = 0; i < 8; ++i)
            word = word << 8 | buffer_[pos_ + static_cast<std::size_t>(i)];
        // Bits beyond the whole bytes taken are ORed in again, identically,
        // by the next refill.
        bits_ |= word >> bitCount_;
        unsigned bytes = (63 - bitCount_) >> 3;
        pos_ += bytes;
        bitCount_ += bytes * 8;
        available_ += bytes * 8;
    }
    void RefillSlowly();
    bool FillBuffer();

    ByteSource& source_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bits_ = 0;
    unsigned bitCount_ = 0;
    // Bits consumed, and bits of real data loaded, since the entry began.
    std::uint64_t consumed_ = 0;
    std::uint64_t available_ = 0;
    bool sourceDone_ = false;
};

} // namespace rar::v20
