#pragma once
// The inverse of RangeDecoder: it keeps the same low and range step for step,
// and writes out the top byte of low wherever the decoder pulls one in, so
// that the decoder's code always lies inside the interval coded.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::ppmd {

class RangeEncoder {
  public:
    // Starts a new code stream at the end of `out`.
    void Start(std::vector<std::uint8_t>& out);

    // The next interval is a share of `total`, or of 2^shift.
    void Scale(std::uint32_t total) { range_ /= total; }
    void ShiftScale(unsigned shift) { range_ >>= shift; }
    // Codes the interval [low, high) of the last scale.
    void Encode(std::uint32_t low, std::uint32_t high) {
        low_ += range_ * low;
        range_ *= high - low;
    }
    void Normalize();
    // Writes the four bytes the decoder has read ahead when it decodes the
    // last symbol: the stream then ends exactly where the decoder stops
    // reading, so that whatever follows can be read from there.
    void Finish();
    // Bits the symbols coded since Start have taken so far, fractions
    // included: what a trial needs to weigh stretches of data.
    double Cost() const;

  private:
    void ShiftOut();

    std::vector<std::uint8_t>* out_ = nullptr;
    std::size_t start_ = 0;
    std::uint32_t low_ = 0;
    std::uint32_t range_ = 0;
};

} // namespace rar::ppmd
