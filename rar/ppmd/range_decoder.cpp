#include "rar/ppmd/range_decoder.h"

#include "rar/lz/decoder.h"

namespace rar::ppmd {

namespace {

constexpr std::uint32_t kTop = 1u << 24;
constexpr std::uint32_t kBottom = 1u << 15;

} // namespace

void RangeDecoder::Start(BytePuller& in) {
    in_ = &in;
    low_ = 0;
    code_ = 0;
    range_ = 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i)
        code_ = (code_ << 8) | in_->Next();
}

std::uint32_t RangeDecoder::Count() const {
    // A range shrunk to nothing can only come from corrupt counts.
    if (range_ == 0)
        throw DataError("PPMd range collapsed");
    return (code_ - low_) / range_;
}

std::uint32_t RangeDecoder::CurrentCount(std::uint32_t total) {
    range_ /= total;
    return Count();
}

std::uint32_t RangeDecoder::CurrentShiftCount(unsigned shift) {
    range_ >>= shift;
    return Count();
}

void RangeDecoder::Normalize() {
    for (;;) {
        if ((low_ ^ (low_ + range_)) >= kTop) {
            if (range_ >= kBottom)
                return;
            range_ = (0u - low_) & (kBottom - 1);
        }
        code_ = (code_ << 8) | in_->Next();
        range_ <<= 8;
        low_ <<= 8;
    }
}

} // namespace rar::ppmd
