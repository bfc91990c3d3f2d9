#pragma once
// Writes bits most significant first, as every RAR method's bit input reads
// them; the last byte is padded with zero bits. The encoders write with it,
// and the decoders' tests build their streams with it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::encode {

class BitWriter {
  public:
    // The low `count` bits of `value` (count up to 64), highest first.
    void Put(std::uint64_t value, unsigned count) {
        while (count > 0) {
            if (free_ == 0) {
                bytes_.push_back(0);
                free_ = 8;
            }
            const unsigned take = count < free_ ? count : free_;
            count -= take;
            free_ -= take;
            const auto chunk = static_cast<unsigned>((value >> count) & ((1u << take) - 1));
            bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | chunk << free_);
        }
    }
    // Skips to the next whole byte, leaving the rest of this one zero.
    void AlignToByte() { free_ = 0; }
    // Appends whole bytes after the current one.
    void PutBytes(const std::vector<std::uint8_t>& bytes) {
        AlignToByte();
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::size_t Bits() const { return bytes_.size() * 8 - free_; }
    // Hands over the bytes that are complete, keeping a partly written last
    // one, so that a long stream can leave in pieces.
    std::vector<std::uint8_t> TakeWholeBytes() {
        const auto kept = bytes_.end() - (free_ > 0 ? 1 : 0);
        std::vector<std::uint8_t> whole(bytes_.begin(), kept);
        bytes_.erase(bytes_.begin(), kept);
        return whole;
    }
    // Hands over the bytes written so far (the last one padded) and starts afresh.
    std::vector<std::uint8_t> Take() {
        free_ = 0;
        return std::move(bytes_);
    }

  private:
    std::vector<std::uint8_t> bytes_;
    unsigned free_ = 0; // unwritten bits in the last byte
};

} // namespace rar::encode
