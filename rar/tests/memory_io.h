#pragma once
// Packed bytes served to a decoder from memory and unpacked bytes collected
// in memory. The source keeps its own copy, so a test may hand it a
// temporary, and can serve the bytes in pieces of at most `piece` bytes to
// make the decoder refill its input at chosen points.
#include "rar/lz/decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace rar::test {

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes,
                          std::size_t piece = std::numeric_limits<std::size_t>::max())
        : data_(std::move(bytes)), piece_(piece) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        std::size_t take = std::min({size, piece_, data_.size() - pos_});
        if (take != 0)
            std::memcpy(buffer, data_.data() + pos_, take);
        pos_ += take;
        return take;
    }

  private:
    std::vector<std::uint8_t> data_;
    std::size_t piece_;
    std::size_t pos_ = 0;
};

struct MemorySink : ByteSink {
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<std::uint8_t> bytes;
};

} // namespace rar::test
