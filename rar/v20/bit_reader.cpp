#include "rar/v20/bit_reader.h"

#include <algorithm>
#include <cstring>

namespace rar::v20 {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Zero bytes loaded past the end beyond this mean the decoder keeps asking
// for bits that do not exist; the next overrun check stops it.
constexpr std::uint64_t kMaxPaddingBits = 128;

} // namespace

BitReader::BitReader(ByteSource& source) : source_(source), buffer_(kBufferSize) {}

bool BitReader::FillBuffer() {
    if (sourceDone_)
        return false;
    pos_ = 0;
    end_ = source_.Read(buffer_.data(), buffer_.size());
    if (end_ == 0)
        sourceDone_ = true;
    return end_ != 0;
}

void BitReader::RefillSlowly() {
    while (bitCount_ <= 56) {
        std::uint8_t byte = 0;
        if (pos_ != end_ || FillBuffer()) {
            byte = buffer_[pos_++];
            available_ += 8;
        } else if (consumed_ > available_ + kMaxPaddingBits) {
            throw DataError("packed data ends early");
        }
        bits_ |= static_cast<std::uint64_t>(byte) << (56 - bitCount_);
        bitCount_ += 8;
    }
}

std::uint64_t BitReader::RemainingBits(std::uint64_t limit) {
    auto remaining = [&] {
        std::uint64_t loaded = available_ > consumed_ ? available_ - consumed_ : 0;
        return loaded + (end_ - pos_) * 8;
    };
    // Moves what the buffer still holds to its front and tops it up, so the
    // bytes counted here are the ones Refill loads next.
    while (remaining() < limit && !sourceDone_) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        std::size_t got = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
        if (got == 0)
            sourceDone_ = true;
        end_ += got;
    }
    return std::min(remaining(), limit);
}

} // namespace rar::v20
