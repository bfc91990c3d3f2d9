#pragma once
// The model's memory: one block addressed by 32-bit offsets, so that its
// layout (and with it the moment the model runs out of room and restarts)
// is the same on every platform. Offset 0 is never a valid node: it stands
// for "none".
#include "rar/lz/decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace rar::ppmd {

class Heap {
  public:
    Heap() = default;
    // Copies the whole block, so that a model can be copied.
    Heap(const Heap& other);
    Heap& operator=(const Heap& other);
    Heap(Heap&&) = default;
    Heap& operator=(Heap&&) = default;

    // Throws MemoryError when `size` bytes cannot be had.
    void Allocate(std::size_t size);
    void Release();
    std::size_t Size() const { return size_; }

    std::uint8_t Byte(std::uint32_t at) const { return *Field(at); }
    std::uint16_t Word(std::uint32_t at) const {
        std::uint16_t v;
        std::memcpy(&v, Field(at), 2);
        return v;
    }
    std::uint32_t Long(std::uint32_t at) const {
        std::uint32_t v;
        std::memcpy(&v, Field(at), 4);
        return v;
    }
    void SetByte(std::uint32_t at, std::uint8_t v) { *Field(at) = v; }
    void SetWord(std::uint32_t at, std::uint16_t v) { std::memcpy(Field(at), &v, 2); }
    void SetLong(std::uint32_t at, std::uint32_t v) { std::memcpy(Field(at), &v, 4); }
    void Move(std::uint32_t to, std::uint32_t from, std::uint32_t size) {
        std::memmove(Range(to, size), Range(from, size), size);
    }
    void Clear(std::uint32_t at, std::uint32_t size) { std::memset(Range(at, size), 0, size); }
    // A record of up to kSlack bytes at `at`, checked once for all its fields.
    std::uint8_t* Record(std::uint32_t at) { return Field(at); }
    const std::uint8_t* Record(std::uint32_t at) const { return Field(at); }

  private:
    // The block has kSlack bytes past Size(), so that a field or record of up
    // to eight bytes needs only its first byte checked: one comparison on the
    // model's hottest path, and still no access outside the block.
    static constexpr std::size_t kSlack = 8;

    // Every offset the model follows was made by the model, but a slip must
    // end as bad data, not as a stray write. Offset 0 wraps round and fails.
    std::uint8_t* Field(std::uint32_t at) const {
        if (static_cast<std::size_t>(at) - 1 >= size_)
            throw DataError("PPMd model reference out of range");
        return data_.get() + at;
    }
    std::uint8_t* Range(std::uint32_t at, std::size_t n) const {
        if (at == 0 || at > size_ || size_ - at < n)
            throw DataError("PPMd model reference out of range");
        return data_.get() + at;
    }

    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

} // namespace rar::ppmd
