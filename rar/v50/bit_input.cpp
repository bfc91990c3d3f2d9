#include "rar/v50/bit_input.h"

#include <algorithm>
#include <cstring>

namespace rar::v50 {

BitInput::BitInput(ByteSource& source) : source_(source), buffer_(kBufferSize + kPadding, 0) {}

void BitInput::Fill(std::size_t ahead) {
    std::size_t bytePos = bitPos_ >> 3;
    if (sourceDone_ || (end_ > bytePos && end_ - bytePos >= ahead)) {
        return;
    }
    std::size_t skipped = std::min(bytePos, end_);
    std::size_t keep = end_ - skipped;
    std::memmove(buffer_.data(), buffer_.data() + skipped, keep);
    base_ += skipped;
    bitPos_ -= skipped * 8;
    end_ = keep;
    while (end_ < kBufferSize) {
        std::size_t got = source_.Read(buffer_.data() + end_, kBufferSize - end_);
        if (got == 0) {
            sourceDone_ = true;
            break;
        }
        end_ += got;
    }
    std::fill(buffer_.begin() + end_, buffer_.end(), std::uint8_t(0));
}

std::uint64_t BitInput::SafeEnd() const {
    if (sourceDone_) {
        return (base_ + end_) * 8 + (kPadding / 2) * 8;
    }
    return (base_ + end_ - std::min(end_, kReadMargin)) * 8;
}

std::uint64_t BitInput::ReadLong(unsigned count) {
    std::uint64_t v = 0;
    while (count > 16) {
        v = (v << 16) | Read(16);
        count -= 16;
    }
    if (count > 0) {
        v = (v << count) | Read(count);
    }
    return v;
}

} // namespace rar::v50
