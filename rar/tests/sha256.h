#pragma once
// SHA-256, to compare extracted files with the corpus manifest.
#include <cstdint>
#include <string>
#include <vector>

namespace rar::test {

class Sha256 {
  public:
    Sha256();
    void Update(const std::uint8_t* data, std::size_t size);
    std::string HexDigest(); // lower-case hex

  private:
    void Block(const std::uint8_t* p);
    std::uint32_t h_[8];
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace rar::test
