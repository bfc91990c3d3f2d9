#include "rar/encode/prefix_code.h"

#include <algorithm>
#include <array>
#include <queue>
#include <tuple>

namespace rar::encode {
namespace {

// Plain Huffman lengths, unbounded.
std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t>& frequencies) {
    struct Node {
        std::uint64_t weight;
        unsigned order; // ties: earlier nodes first, for determinism
        int left, right;
    };
    std::vector<Node> nodes;
    using Entry = std::tuple<std::uint64_t, unsigned, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    for (unsigned i = 0; i < frequencies.size(); ++i) {
        if (frequencies[i] == 0)
            continue;
        nodes.push_back({frequencies[i], i, -1, static_cast<int>(i)});
        queue.emplace(frequencies[i], static_cast<unsigned>(nodes.size() - 1),
                      static_cast<int>(nodes.size() - 1));
    }
    std::vector<std::uint8_t> lengths(frequencies.size(), 0);
    if (nodes.size() == 1) {
        lengths[static_cast<std::size_t>(nodes[0].right)] = 1;
        return lengths;
    }
    while (queue.size() > 1) {
        auto [w1, o1, a] = queue.top();
        queue.pop();
        auto [w2, o2, b] = queue.top();
        queue.pop();
        nodes.push_back({w1 + w2, 0, a, b});
        const auto index = static_cast<unsigned>(nodes.size() - 1);
        queue.emplace(w1 + w2, index, static_cast<int>(index));
    }
    // Depths by walking down from the root, which is the last node made.
    std::vector<unsigned> depth(nodes.size(), 0);
    for (std::size_t i = nodes.size(); i-- > 0;) {
        const Node& node = nodes[i];
        if (node.left < 0) {
            lengths[static_cast<std::size_t>(node.right)] =
                static_cast<std::uint8_t>(std::min(depth[i], 255u));
            continue;
        }
        depth[static_cast<std::size_t>(node.left)] = depth[i] + 1;
        depth[static_cast<std::size_t>(node.right)] = depth[i] + 1;
    }
    return lengths;
}

} // namespace

std::vector<std::uint8_t> CodeLengths(const std::vector<std::uint32_t>& frequencies,
                                      unsigned maxLength) {
    // Flattening the frequencies until the tree fits costs a little against
    // an optimal bounded code, and only on rare, very skewed blocks.
    std::vector<std::uint32_t> scaled = frequencies;
    for (;;) {
        std::vector<std::uint8_t> lengths = HuffmanLengths(scaled);
        if (*std::max_element(lengths.begin(), lengths.end()) <= maxLength)
            return lengths;
        for (auto& f : scaled)
            if (f != 0)
                f = f / 2 + 1;
    }
}

std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
    std::array<unsigned, 17> perLength{};
    for (auto n : lengths)
        ++perLength[n];
    perLength[0] = 0;
    std::array<unsigned, 17> next{};
    unsigned code = 0;
    for (unsigned n = 1; n <= 16; ++n) {
        code = (code + perLength[n - 1]) << 1;
        next[n] = code;
    }
    std::vector<std::uint16_t> codes(lengths.size(), 0);
    for (std::size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i] != 0)
            codes[i] = static_cast<std::uint16_t>(next[lengths[i]]++);
    return codes;
}

} // namespace rar::encode
