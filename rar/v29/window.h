#pragma once
// The sliding dictionary: a power-of-two ring buffer that the decoder writes
// into directly. Positions are absolute (counted from the first byte of a
// solid stream), so that filter blocks and output need no wrap bookkeeping.
#include "rar/lz/match_copy.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace rar::v29 {

class Window {
  public:
    // Longest match the format can express (a PPMd block's copies reach
    // 255 + 32 bytes).
    static constexpr std::size_t kMaxMatch = 287;

    // Allocates at least `size` bytes (throws MemoryError when it cannot).
    void Allocate(std::size_t size);
    std::size_t Size() const { return mask_ + 1; }

    std::uint8_t* Data() { return data_.get(); }
    // Copies `length` (at most kMaxMatch) bytes from `distance` back. A
    // distance beyond what was decoded reads older window contents, as the
    // format allows; it never leaves the buffer.
    void Copy(std::uint32_t distance, std::uint32_t length) {
        std::size_t to = pos & mask_;
        std::size_t from = (to - distance) & mask_;
        pos += length;
        std::uint8_t* d = data_.get();
        if (to + length <= Size() && from + length <= Size()) {
            CopyMatch(d + to, d + from, length);
            return;
        }
        for (std::uint32_t i = 0; i < length; ++i)
            d[(to + i) & mask_] = d[(from + i) & mask_];
    }
    // Copies `size` decoded bytes starting at absolute position `from` to `out`.
    void Read(std::uint64_t from, std::size_t size, std::uint8_t* out) const;
    // The longest run of decoded bytes at `from` that is contiguous in memory.
    const std::uint8_t* Span(std::uint64_t from, std::size_t& size) const;

    std::uint64_t pos = 0;     // decoded so far
    std::uint64_t written = 0; // handed on (through the filters) so far

  private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> data_;
    std::size_t mask_ = 0;
};

} // namespace rar::v29
