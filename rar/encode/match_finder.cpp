#include "rar/encode/match_finder.h"

#include <algorithm>
#include <cstring>

namespace rar::encode {

namespace {

constexpr unsigned kLongPrefix = 8;
constexpr unsigned kLongHashBits = 20;
// A long chain's entries share eight bytes, so few steps find the longest.
constexpr unsigned kLongSteps = 16;

bool Deep(unsigned depth) {
    return depth > 8;
}

} // namespace

MatchFinder::MatchFinder(std::uint32_t window, std::uint32_t maxDistance, unsigned depth,
                         unsigned niceLength)
    : mask_(window - 1), maxDistance_(maxDistance), depth_(depth), niceLength_(niceLength),
      hashBits_(Deep(depth) ? 20 : 16), head_(1u << hashBits_), chain_(window), pairs_(1u << 16) {
    if (Deep(depth)) {
        longHead_.resize(1u << kLongHashBits);
        longChain_.resize(window);
    }
}

unsigned MatchFinder::Hash8(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return static_cast<unsigned>((v * 0x9E3779B97F4A7C15ull) >> (64 - kLongHashBits));
}

void MatchFinder::Insert(const History& history, std::uint64_t pos) {
    const std::uint8_t* p = history.At(pos);
    const auto tag = static_cast<std::uint32_t>(pos + 1);
    pairs_[Hash2(p)] = tag;
    if (pos + 3 > history.end)
        return;
    std::uint32_t& head = head_[Hash3(p)];
    chain_[pos & mask_] = head;
    head = tag;
    if (longHead_.empty())
        return;
    // A position too near the end for eight bytes is left out of the long
    // chains; its stale entry there lies outside any later walk's reach or
    // fails the byte comparison.
    if (pos + kLongPrefix > history.end)
        return;
    std::uint32_t& longHead = longHead_[Hash8(p)];
    longChain_[pos & mask_] = longHead;
    longHead = tag;
}

void MatchFinder::Walk(const std::vector<std::uint32_t>& chain, std::uint32_t tag, unsigned steps,
                       const std::uint8_t* p, std::uint64_t pos, std::uint64_t reach,
                       unsigned limit, Candidate& best) const {
    const auto here = static_cast<std::uint32_t>(pos + 1);
    std::uint32_t previous = 0;
    for (; tag != 0 && steps > 0; --steps) {
        const std::uint32_t distance = here - tag;
        if (distance <= previous || distance > reach)
            return;
        previous = distance;
        const std::uint8_t* q = p - distance;
        if (q[best.length] == p[best.length] && q[0] == p[0]) {
            unsigned length = 0;
            while (length < limit && p[length] == q[length])
                ++length;
            if (length > best.length) {
                best = {length, distance};
                if (length >= niceLength_ || length == limit)
                    return;
            }
        }
        tag = chain[(pos - distance) & mask_];
    }
}

Candidate MatchFinder::Longest(const History& history, std::uint64_t pos, unsigned limit) const {
    Candidate best;
    if (limit < 3)
        return best;
    const std::uint8_t* p = history.At(pos);
    const std::uint64_t reach = std::min<std::uint64_t>(maxDistance_, pos - history.start);
    // The long chain first. A match of eight bytes or more is on it, so once
    // it has one the short chain could only offer shorter ones.
    if (!longHead_.empty() && limit >= kLongPrefix) {
        Walk(longChain_, longChain_[pos & mask_], kLongSteps, p, pos, reach, limit, best);
        if (best.length >= kLongPrefix)
            return best;
    }
    Walk(chain_, chain_[pos & mask_], depth_, p, pos, reach, limit, best);
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
