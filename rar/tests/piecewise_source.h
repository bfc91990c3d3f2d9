#pragma once
// Packed bytes handed to a decoder in small pieces of changing, odd sizes, so
// that every refill of its input lands somewhere else in the stream.
#include "rar/lz/decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace rar::test {

class PiecewiseSource : public ByteSource {
  public:
    explicit PiecewiseSource(const std::vector<std::uint8_t>& data) : data_(data) {}

    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        static constexpr std::size_t kPieces[] = {1, 7, 3, 13, 2, 509, 31, 5, 4093, 17, 64, 11};
        const std::size_t piece = kPieces[reads_++ % std::size(kPieces)];
        const std::size_t take = std::min({size, piece, data_.size() - pos_});
        if (take != 0)
            std::memcpy(buffer, data_.data() + pos_, take);
        pos_ += take;
        return take;
    }

  private:
    const std::vector<std::uint8_t>& data_;
    std::size_t pos_ = 0;
    std::size_t reads_ = 0;
};

} // namespace rar::test
