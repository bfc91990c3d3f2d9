#include "rar/check/blake2sp.h"

#include <algorithm>
#include <cstring>

namespace rar {
namespace {

constexpr std::uint32_t kIv[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                  0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

constexpr std::uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

std::uint32_t Rotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

std::uint32_t Load32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Mix(std::uint32_t* v, int a, int b, int c, int d, std::uint32_t x, std::uint32_t y) {
    v[a] = v[a] + v[b] + x;
    v[d] = Rotr(v[d] ^ v[a], 16);
    v[c] = v[c] + v[d];
    v[b] = Rotr(v[b] ^ v[c], 12);
    v[a] = v[a] + v[b] + y;
    v[d] = Rotr(v[d] ^ v[a], 8);
    v[c] = v[c] + v[d];
    v[b] = Rotr(v[b] ^ v[c], 7);
}

constexpr std::size_t kLeaves = 8;
constexpr std::size_t kBlock = 64;

Blake2s::Node LeafNode(std::uint32_t index) {
    Blake2s::Node node;
    node.fanout = kLeaves;
    node.depth = 2;
    node.offset = index;
    node.innerLength = 32;
    node.lastNode = index == kLeaves - 1;
    return node;
}

} // namespace

Blake2s::Blake2s(const Node& node) : lastNode_(node.lastNode) {
    for (int i = 0; i < 8; ++i)
        h_[i] = kIv[i];
    h_[0] ^= 32u | (static_cast<std::uint32_t>(node.fanout) << 16) |
             (static_cast<std::uint32_t>(node.depth) << 24);
    h_[2] ^= node.offset;
    h_[3] ^= (static_cast<std::uint32_t>(node.nodeDepth) << 16) |
             (static_cast<std::uint32_t>(node.innerLength) << 24);
}

void Blake2s::Compress(const std::uint8_t* block, bool last) {
    std::uint32_t m[16], v[16];
    for (int i = 0; i < 16; ++i)
        m[i] = Load32(block + 4 * i);
    for (int i = 0; i < 8; ++i) {
        v[i] = h_[i];
        v[i + 8] = kIv[i];
    }
    v[12] ^= static_cast<std::uint32_t>(counter_);
    v[13] ^= static_cast<std::uint32_t>(counter_ >> 32);
    if (last) {
        v[14] = ~v[14];
        if (lastNode_)
            v[15] = ~v[15];
    }
    for (const auto& s : kSigma) {
        Mix(v, 0, 4, 8, 12, m[s[0]], m[s[1]]);
        Mix(v, 1, 5, 9, 13, m[s[2]], m[s[3]]);
        Mix(v, 2, 6, 10, 14, m[s[4]], m[s[5]]);
        Mix(v, 3, 7, 11, 15, m[s[6]], m[s[7]]);
        Mix(v, 0, 5, 10, 15, m[s[8]], m[s[9]]);
        Mix(v, 1, 6, 11, 12, m[s[10]], m[s[11]]);
        Mix(v, 2, 7, 8, 13, m[s[12]], m[s[13]]);
        Mix(v, 3, 4, 9, 14, m[s[14]], m[s[15]]);
    }
    for (int i = 0; i < 8; ++i)
        h_[i] ^= v[i] ^ v[i + 8];
}

void Blake2s::Update(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        // The final block must stay buffered until we know it is the last.
        if (buffered_ == kBlock) {
            counter_ += kBlock;
            Compress(buffer_.data(), false);
            buffered_ = 0;
        }
        std::size_t take = std::min(size, kBlock - buffered_);
        std::memcpy(buffer_.data() + buffered_, data, take);
        buffered_ += take;
        data += take;
        size -= take;
    }
}

std::array<std::uint8_t, 32> Blake2s::Final() {
    counter_ += buffered_;
    std::memset(buffer_.data() + buffered_, 0, kBlock - buffered_);
    Compress(buffer_.data(), true);
    std::array<std::uint8_t, 32> digest;
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 4; ++k)
            digest[4 * i + k] = static_cast<std::uint8_t>(h_[i] >> (8 * k));
    return digest;
}

Blake2sp::Blake2sp()
    : leaves_{Blake2s(LeafNode(0)), Blake2s(LeafNode(1)), Blake2s(LeafNode(2)),
              Blake2s(LeafNode(3)), Blake2s(LeafNode(4)), Blake2s(LeafNode(5)),
              Blake2s(LeafNode(6)), Blake2s(LeafNode(7))} {}

void Blake2sp::Update(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        std::size_t leaf = (total_ / kBlock) % kLeaves;
        std::size_t take = std::min<std::size_t>(size, kBlock - total_ % kBlock);
        leaves_[leaf].Update(data, take);
        total_ += take;
        data += take;
        size -= take;
    }
}

std::array<std::uint8_t, 32> Blake2sp::Final() {
    Blake2s::Node rootNode;
    rootNode.fanout = kLeaves;
    rootNode.depth = 2;
    rootNode.nodeDepth = 1;
    rootNode.innerLength = 32;
    rootNode.lastNode = true;
    Blake2s root(rootNode);
    for (auto& leaf : leaves_) {
        auto digest = leaf.Final();
        root.Update(digest.data(), digest.size());
    }
    return root.Final();
}

} // namespace rar
