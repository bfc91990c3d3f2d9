#pragma once
// Bounds-checked reading of little-endian header fields. Running past the end
// of a header is a damaged archive, never an out-of-bounds access.
#include "rar/format/status.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace rar {

class FieldReader {
  public:
    FieldReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Fixed(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Fixed(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Fixed(4)); }
    std::uint64_t U64() { return Fixed(8); }
    // The RAR 5 variable-length integer: seven bits a byte, low bits first.
    std::uint64_t VInt();
    std::string Bytes(std::size_t count);
    const std::uint8_t* Take(std::size_t count);
    void Skip(std::size_t count) { Take(count); }

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }

  private:
    std::uint64_t Fixed(std::size_t width);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace rar
