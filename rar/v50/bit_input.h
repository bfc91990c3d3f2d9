#pragma once
// Packed bytes of one entry, read ahead in a buffer and looked at bit by bit,
// most significant bit first. Not the bit reader the older methods share
// (rar/lz/bit_reader.h): a 5.0 block states its length in bits, so this
// decoder works with absolute bit positions, compares them with the block's
// end, and tops the buffer up between runs of codes rather than refilling a
// register for each code.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::v50 {

class BitInput {
  public:
    // Bytes the decoder may read past the buffered data before it checks for
    // an overrun; they read as zeros.
    static constexpr std::size_t kPadding = 4096;
    // Most bytes one decoding step reads; SafeEnd() keeps this much back.
    static constexpr std::size_t kReadMargin = 1024;

    explicit BitInput(ByteSource& source);

    // Keeps at least `ahead` bytes buffered past the read position while the
    // source has them. `ahead` is more than kReadMargin and at most a quarter
    // of the buffer.
    void Fill(std::size_t ahead);
    // True when the source gave nothing at all.
    bool Empty() const { return sourceDone_ && base_ == 0 && end_ == 0; }
    // True when reading went past the last byte the source gave.
    bool Overrun() const { return sourceDone_ && bitPos_ > end_ * 8; }

    // Absolute bit position in the entry's packed data.
    std::uint64_t Position() const { return base_ * 8 + bitPos_; }
    // Absolute bit position of the start of the buffer; Position() minus this
    // is what BufferBit() returns.
    std::uint64_t BufferStartBit() const { return base_ * 8; }
    std::size_t BufferBit() const { return bitPos_; }
    // Absolute bit position up to which reading needs no refill.
    std::uint64_t SafeEnd() const;

    // The next 32 bits; only the top 25 are guaranteed.
    std::uint32_t Peek32() const {
        const std::uint8_t* p = buffer_.data() + (bitPos_ >> 3);
        std::uint32_t v = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                          std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
        return v << (bitPos_ & 7);
    }
    // The next `count` bits, 1 to 25.
    std::uint32_t Peek(unsigned count) const { return Peek32() >> (32 - count); }
    void Skip(unsigned count) { bitPos_ += count; }
    // Reads `count` bits, 1 to 25.
    std::uint32_t Read(unsigned count) {
        std::uint32_t v = Peek(count);
        bitPos_ += count;
        return v;
    }
    // Reads `count` bits, 0 to 64.
    std::uint64_t ReadLong(unsigned count);
    void AlignToByte() { bitPos_ = (bitPos_ + 7) & ~std::size_t(7); }

  private:
    static constexpr std::size_t kBufferSize = 1 << 16;

    ByteSource& source_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t base_ = 0; // absolute offset of buffer_[0]
    std::size_t end_ = 0;    // bytes of buffer_ that hold data
    std::size_t bitPos_ = 0; // read position in buffer_, in bits
    bool sourceDone_ = false;
};

} // namespace rar::v50
