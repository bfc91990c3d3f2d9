#include "rar/encode/match_finder.h"

#include <algorithm>

namespace rar::encode {

MatchFinder::MatchFinder(std::uint32_t window, std::uint32_t maxDistance, unsigned depth,
                         unsigned niceLength)
    : mask_(window - 1), maxDistance_(maxDistance), depth_(depth), niceLength_(niceLength),
      hashBits_(depth > 8 ? 20 : 16), head_(1u << hashBits_), chain_(window), pairs_(1u << 16) {}

void MatchFinder::Insert(const History& history, std::uint64_t pos) {
    const std::uint8_t* p = history.At(pos);
    const auto tag = static_cast<std::uint32_t>(pos + 1);
    pairs_[Hash2(p)] = tag;
    if (pos + 3 > history.end)
        return;
    std::uint32_t& head = head_[Hash3(p)];
    chain_[pos & mask_] = head;
    head = tag;
}

Candidate MatchFinder::Longest(const History& history, std::uint64_t pos, unsigned limit) const {
    Candidate best;
    if (limit < 3)
        return best;
    const std::uint8_t* p = history.At(pos);
    const auto here = static_cast<std::uint32_t>(pos + 1);
    const std::uint64_t reach = std::min<std::uint64_t>(maxDistance_, pos - history.start);
    std::uint32_t previous = 0;
    std::uint32_t tag = chain_[pos & mask_];
    for (unsigned steps = 0; tag != 0 && steps < depth_; ++steps) {
        const std::uint32_t distance = here - tag;
        if (distance <= previous || distance > reach)
            break;
        previous = distance;
        const std::uint8_t* q = p - distance;
        if (q[best.length] == p[best.length] && q[0] == p[0]) {
            unsigned length = 0;
            while (length < limit && p[length] == q[length])
                ++length;
            if (length > best.length) {
                best = {length, distance};
                if (length >= niceLength_ || length == limit)
                    break;
            }
        }
        tag = chain_[(pos - distance) & mask_];
    }
    if (best.length < 3)
        best = {};
    return best;
}

std::uint32_t MatchFinder::NearestPair(const History& history, std::uint64_t pos) const {
    const std::uint32_t tag = pairs_[Hash2(history.At(pos))];
    const std::uint32_t distance = static_cast<std::uint32_t>(pos + 1) - tag;
    if (tag == 0 || distance == 0 ||
        distance > std::min<std::uint64_t>(maxDistance_, pos - history.start))
        return 0;
    return history.MatchLength(pos, distance, 2) == 2 ? distance : 0;
}

} // namespace rar::encode
