#pragma once
// Most-significant-bit-first reading of an entry's packed bytes, the order in
// which the 2.9 format writes every code.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace rar::v29 {

class BitInput {
  public:
    explicit BitInput(ByteSource& source);

    // The next `count` bits (1..32) without consuming them. Past the end of the
    // entry the input reads as zero bits, so that the last codes can be peeked
    // with a full window; consuming more than a few bytes of that padding means
    // the data was cut short.
    std::uint32_t Peek(unsigned count) {
        if (bitCount_ < count)
            Refill();
        return static_cast<std::uint32_t>(bits_ >> (64 - count));
    }
    void Skip(unsigned count) {
        bits_ <<= count;
        bitCount_ -= count;
    }
    std::uint32_t Read(unsigned count) {
        std::uint32_t value = Peek(count);
        Skip(count);
        return value;
    }
    void AlignToByte() {
        if (bitCount_ < 8)
            Refill();
        Skip(bitCount_ & 7);
    }
    // True when bits past the end of the entry were consumed, not just peeked.
    bool Overrun() const { return paddingBytes_ * 8 > bitCount_; }
    // True when the entry has no packed byte left to read.
    bool AtEnd();

  private:
    void Refill() {
        if (end_ - pos_ < 8) {
            RefillSlowly();
            return;
        }
        std::uint64_t word;
        std::memcpy(&word, buffer_.get() + pos_, 8);
        word = FromBigEndian(word);
        // Bits beyond the whole bytes taken are ORed in again, identically,
        // by the next refill.
        bits_ |= word >> bitCount_;
        unsigned bytes = (63 - bitCount_) >> 3;
        pos_ += bytes;
        bitCount_ += bytes * 8;
    }
    static std::uint64_t FromBigEndian(std::uint64_t word) {
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        return __builtin_bswap64(word);
#else
        const auto* p = reinterpret_cast<const std::uint8_t*>(&word);
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value = (value << 8) | p[i];
        return value;
#endif
    }
    void RefillSlowly();
    bool FillBuffer();

    ByteSource& source_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bits_ = 0;
    unsigned bitCount_ = 0;
    unsigned paddingBytes_ = 0;
    bool sourceDone_ = false;
};

} // namespace rar::v29
