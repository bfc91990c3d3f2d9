#include "rar/v29/bit_input.h"

namespace rar::v29 {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// The reader holds at most eight bytes ahead of the codes being decoded, so
// this much padding loaded means the decoder consumed bits the entry lacks.
constexpr unsigned kMaxPaddingBytes = 16;

} // namespace

BitInput::BitInput(ByteSource& source) : source_(source), buffer_(new std::uint8_t[kBufferSize]) {}

bool BitInput::FillBuffer() {
    if (sourceDone_)
        return false;
    pos_ = 0;
    end_ = source_.Read(buffer_.get(), kBufferSize);
    if (end_ == 0)
        sourceDone_ = true;
    return end_ != 0;
}

bool BitInput::AtEnd() {
    if (bitCount_ > paddingBytes_ * 8)
        return false;
    return pos_ == end_ && !FillBuffer();
}

void BitInput::RefillSlowly() {
    while (bitCount_ <= 56) {
        std::uint8_t byte = 0;
        if (pos_ != end_ || FillBuffer()) {
            byte = buffer_[pos_++];
        } else if (++paddingBytes_ > kMaxPaddingBytes) {
            throw DataError("packed data ends early");
        }
        bits_ |= static_cast<std::uint64_t>(byte) << (56 - bitCount_);
        bitCount_ += 8;
    }
}

} // namespace rar::v29
