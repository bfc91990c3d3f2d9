#pragma once
// The model's memory: one block addressed by 32-bit offsets, so that its
// layout (and with it the moment the model runs out of room and restarts)
// is the same on every platform. Offset 0 is never a valid node: it stands
// for "none".
#include "rar/decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace rar::ppmd {

class Heap {
  public:
    // Throws MemoryError when `size` bytes cannot be had.
    void Allocate(std::size_t size);
    void Release();
    std::size_t Size() const { return size_; }

    std::uint8_t Byte(std::uint32_t at) const { return *Check(at, 1); }
    std::uint16_t Word(std::uint32_t at) const {
        std::uint16_t v;
        std::memcpy(&v, Check(at, 2), 2);
        return v;
    }
    std::uint32_t Long(std::uint32_t at) const {
        std::uint32_t v;
        std::memcpy(&v, Check(at, 4), 4);
        return v;
    }
    void SetByte(std::uint32_t at, std::uint8_t v) { *Check(at, 1) = v; }
    void SetWord(std::uint32_t at, std::uint16_t v) { std::memcpy(Check(at, 2), &v, 2); }
    void SetLong(std::uint32_t at, std::uint32_t v) { std::memcpy(Check(at, 4), &v, 4); }
    void Move(std::uint32_t to, std::uint32_t from, std::uint32_t size) {
        std::memmove(Check(to, size), Check(from, size), size);
    }
    void Clear(std::uint32_t at, std::uint32_t size) { std::memset(Check(at, size), 0, size); }

  private:
    std::uint8_t* Check(std::uint32_t at, std::size_t n) const {
        // Every offset the model follows was made by the model, but a slip
        // must end as bad data, not as a stray write.
        if (at == 0 || at > size_ || size_ - at < n)
            throw DataError("PPMd model reference out of range");
        return data_.get() + at;
    }

    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

} // namespace rar::ppmd
