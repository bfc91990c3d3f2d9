#include "rar/ppmd/range_encoder.h"

#include <cmath>

namespace rar::ppmd {

namespace {

// The decoder's normalisation bounds.
constexpr std::uint32_t kTop = 1u << 24;
constexpr std::uint32_t kBottom = 1u << 15;

} // namespace

void RangeEncoder::Start(std::vector<std::uint8_t>& out) {
    out_ = &out;
    start_ = out.size();
    low_ = 0;
    range_ = 0xFFFFFFFFu;
}

void RangeEncoder::ShiftOut() {
    out_->push_back(static_cast<std::uint8_t>(low_ >> 24));
    low_ <<= 8;
    range_ <<= 8;
}

void RangeEncoder::Normalize() {
    // Carry-less: once the interval is too small and still straddles a change
    // of low's top byte, it is cut back to the part below that change.
    for (;;) {
        if ((low_ ^ (low_ + range_)) >= kTop) {
            if (range_ >= kBottom)
                return;
            range_ = (0u - low_) & (kBottom - 1);
        }
        ShiftOut();
    }
}

double RangeEncoder::Cost() const {
    return 8.0 * static_cast<double>(out_->size() - start_) + 32.0 - std::log2(range_);
}

void RangeEncoder::Finish() {
    for (int i = 0; i < 4; ++i)
        ShiftOut();
}

} // namespace rar::ppmd
