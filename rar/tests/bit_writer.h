#pragma once
// Writes bits most significant first, as every RAR method's bit input reads
// them; the last byte is padded with zero bits.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::test {

class BitWriter {
  public:
    // The low `count` bits of `value`, highest first.
    void Put(std::uint64_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (bits_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> i) & 1)
                bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bits_ % 8));
            ++bits_;
        }
    }
    // Skips to the next whole byte, leaving the rest of this one zero.
    void AlignToByte() { bits_ = bytes_.size() * 8; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::size_t Bits() const { return bits_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bits_ = 0;
};

} // namespace rar::test
