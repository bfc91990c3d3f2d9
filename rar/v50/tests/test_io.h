#pragma once
// In-memory packed sources and unpacked sinks for the decoder tests.
#include "rar/decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace rar::v50::test {

// Gives the bytes in reads of at most `chunk` bytes, to exercise refilling.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(const std::vector<std::uint8_t>& data, std::size_t chunk = 1 << 20)
        : data_(data), chunk_(chunk) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        std::size_t count = std::min({size, chunk_, data_.size() - pos_});
        std::memcpy(buffer, data_.data() + pos_, count);
        pos_ += count;
        return count;
    }

  private:
    const std::vector<std::uint8_t>& data_;
    std::size_t chunk_;
    std::size_t pos_ = 0;
};

class VectorSink : public ByteSink {
  public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<std::uint8_t> bytes;
};

// Deterministic bytes that are hard to compress.
inline std::vector<std::uint8_t> NoiseBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = std::uint8_t(seed >> 24);
    }
    return bytes;
}

} // namespace rar::v50::test
