#pragma once
// BLAKE2sp, the checksum RAR 5 archives may store instead of CRC-32: eight
// BLAKE2s leaves fed 64-byte blocks in turn, and a root over their digests.
#include <array>
#include <cstddef>
#include <cstdint>

namespace rar {

class Blake2s {
  public:
    // Tree parameters of one node; a plain hash is depth 1, fanout 1.
    struct Node {
        std::uint8_t fanout = 1;
        std::uint8_t depth = 1;
        std::uint32_t offset = 0;
        std::uint8_t nodeDepth = 0;
        std::uint8_t innerLength = 0;
        bool lastNode = false;
    };
    Blake2s() : Blake2s(Node{}) {}
    explicit Blake2s(const Node& node);
    void Update(const std::uint8_t* data, std::size_t size);
    std::array<std::uint8_t, 32> Final();

  private:
    void Compress(const std::uint8_t* block, bool last);

    std::array<std::uint32_t, 8> h_{};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t counter_ = 0;
    bool lastNode_ = false;
};

class Blake2sp {
  public:
    Blake2sp();
    void Update(const std::uint8_t* data, std::size_t size);
    std::array<std::uint8_t, 32> Final();

  private:
    std::array<Blake2s, 8> leaves_;
    std::uint64_t total_ = 0;
};

} // namespace rar
