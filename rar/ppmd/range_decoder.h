#pragma once
// The carry-less range decoder the PPMd blocks of a 2.9 stream are coded with.
#include <cstdint>

namespace rar::ppmd {

// The packed bytes the decoder pulls, one at a time.
class BytePuller {
  public:
    virtual ~BytePuller() = default;
    virtual std::uint8_t Next() = 0;
};

class RangeDecoder {
  public:
    // Starts a new code stream; the first four bytes fill the code register.
    void Start(BytePuller& in);

    // The count in [0, total) the code points at.
    std::uint32_t CurrentCount(std::uint32_t total);
    std::uint32_t CurrentShiftCount(unsigned shift);
    // Removes the interval [low, high) of the last scale from the code.
    void Remove(std::uint32_t low, std::uint32_t high) {
        low_ += range_ * low;
        range_ *= high - low;
    }
    void Normalize();

  private:
    std::uint32_t Count() const;

    BytePuller* in_ = nullptr;
    std::uint32_t low_ = 0;
    std::uint32_t code_ = 0;
    std::uint32_t range_ = 0;
};

} // namespace rar::ppmd
