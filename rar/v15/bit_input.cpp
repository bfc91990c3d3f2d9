#include "rar/v15/bit_input.h"

namespace rar::v15 {

BitInput::BitInput(ByteSource& source) : source_(source), chunk_(0x8000) {}

std::uint8_t BitInput::NextByte() {
    if (pos_ == end_ && !ended_) {
        end_ = source_.Read(chunk_.data(), chunk_.size());
        pos_ = 0;
        ended_ = end_ == 0;
    }
    if (ended_) {
        padding_ += 8;
        return 0;
    }
    return chunk_[pos_++];
}

} // namespace rar::v15
