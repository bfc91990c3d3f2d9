#pragma once
// Most-significant-bit-first reading of an entry's packed bytes, the order in
// which the 1.5, 2.0 and 2.9 methods write their codes. The 5.0 method has a
// reader of its own (v50/bit_input.h): its blocks carry their size, so its
// decoder works on a buffer it tops up between blocks rather than on a bit
// register refilled per code.
//
// Past the end of the entry the input reads as zero bits, so that the last
// codes can be peeked with a full width. Overrun() tells when bits of that
// padding were consumed, not just peeked; the overrun policy says how far a
// decoder may run on into it before refilling gives up with DataError.
#include "rar/lz/decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace rar::lz {

// Overrun policies: TooFar(padding bytes loaded, bits in the register) is
// asked before one more padding byte is loaded.

// For a decoder that checks Overrun() only when the entry ends: the reader
// holds at most eight bytes ahead of the codes being decoded, so this much
// padding loaded means the decoder consumed bits the entry lacks.
template <unsigned MaxBytes> struct StopAfterPaddingLoaded {
    static bool TooFar(unsigned paddingBytes, unsigned) { return paddingBytes >= MaxBytes; }
};

// For a decoder that checks Overrun() after every code: more than `MaxBits`
// of padding consumed means it keeps asking for bits that do not exist.
template <unsigned MaxBits> struct StopAfterPaddingConsumed {
    static bool TooFar(unsigned paddingBytes, unsigned bitCount) {
        return paddingBytes * 8 > bitCount + MaxBits;
    }
};

// For a decoder that checks Overrun() after every step of a bounded number of
// bits: refilling never gives up.
struct NeverStop {
    static bool TooFar(unsigned, unsigned) { return false; }
};

template <class OverrunPolicy> class BitReader {
  public:
    explicit BitReader(ByteSource& source)
        : source_(source), buffer_(new std::uint8_t[kBufferSize]) {}

    // The next `count` bits (1..32) without consuming them.
    std::uint32_t Peek(unsigned count) {
        if (bitCount_ < count)
            Refill();
        return static_cast<std::uint32_t>(bits_ >> (64 - count));
    }
    // Consumes `count` bits, no more than the last Peek asked for.
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
    void CheckNotOverrun() const {
        if (Overrun())
            throw DataError("packed data ends early");
    }
    // True when the entry has no packed byte left to read.
    bool AtEnd() {
        if (bitCount_ > paddingBytes_ * 8)
            return false;
        return pos_ == end_ && !FillBuffer();
    }
    // Unconsumed bits of the entry, counting at most `limit`.
    std::uint64_t RemainingBits(std::uint64_t limit);

  private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

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
    [[gnu::noinline]] void RefillSlowly();
    bool FillBuffer();
    std::uint64_t UnreadBits() const {
        unsigned padding = paddingBytes_ * 8;
        return (bitCount_ > padding ? bitCount_ - padding : 0) + (end_ - pos_) * 8;
    }

    ByteSource& source_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bits_ = 0;
    unsigned bitCount_ = 0;
    // Zero bytes loaded past the end of the entry.
    unsigned paddingBytes_ = 0;
    bool sourceDone_ = false;
};

template <class OverrunPolicy> bool BitReader<OverrunPolicy>::FillBuffer() {
    if (sourceDone_)
        return false;
    pos_ = 0;
    end_ = source_.Read(buffer_.get(), kBufferSize);
    if (end_ == 0)
        sourceDone_ = true;
    return end_ != 0;
}

template <class OverrunPolicy> void BitReader<OverrunPolicy>::RefillSlowly() {
    while (bitCount_ <= 56) {
        std::uint8_t byte = 0;
        if (pos_ != end_ || FillBuffer()) {
            byte = buffer_[pos_++];
        } else {
            if (OverrunPolicy::TooFar(paddingBytes_, bitCount_))
                throw DataError("packed data ends early");
            ++paddingBytes_;
        }
        bits_ |= static_cast<std::uint64_t>(byte) << (56 - bitCount_);
        bitCount_ += 8;
    }
}

template <class OverrunPolicy>
std::uint64_t BitReader<OverrunPolicy>::RemainingBits(std::uint64_t limit) {
    // Moves what the buffer still holds to its front and tops it up, so the
    // bytes counted here are the ones Refill loads next.
    while (UnreadBits() < limit && !sourceDone_) {
        std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        std::size_t got = source_.Read(buffer_.get() + end_, kBufferSize - end_);
        if (got == 0)
            sourceDone_ = true;
        end_ += got;
    }
    return std::min(UnreadBits(), limit);
}

} // namespace rar::lz
