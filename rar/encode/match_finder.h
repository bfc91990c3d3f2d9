#pragma once
// Finds earlier occurrences of the bytes at a position: hash chains over
// three-byte prefixes, walked newest first to a bounded depth, and the
// newest position of each two-byte prefix for the shortest matches. Deep
// searches also keep chains over eight-byte prefixes: in text, a common
// three-byte prefix recurs thousands of times within the window, so its chain
// ends long before it reaches a long repeat a few megabytes back.
// Positions count bytes since the encoder began; those recorded before the
// history's start are never returned, so a new stream needs no clearing.
#include <cstdint>
#include <vector>

namespace rar::encode {

// Bytes of the stream still reachable: `data[0]` is position `start`.
struct History {
    const std::uint8_t* data = nullptr;
    std::uint64_t start = 0;
    std::uint64_t end = 0; // one past the last byte available

    const std::uint8_t* At(std::uint64_t pos) const { return data + (pos - start); }
    // How many bytes from `pos` equal those `distance` back, at most `limit`.
    unsigned MatchLength(std::uint64_t pos, std::uint32_t distance, unsigned limit) const {
        const std::uint8_t* a = At(pos);
        const std::uint8_t* b = a - distance;
        unsigned n = 0;
        while (n < limit && a[n] == b[n])
            ++n;
        return n;
    }
};

struct Candidate {
    unsigned length = 0;
    std::uint32_t distance = 0;
};

class MatchFinder {
  public:
    // `window`: a power of two above `maxDistance`.
    MatchFinder(std::uint32_t window, std::uint32_t maxDistance, unsigned depth,
                unsigned niceLength);

    // Records position `pos`, which needs two bytes after it in `history`.
    void Insert(const History& history, std::uint64_t pos);
    // The longest match at `pos` (recorded already) of at most `limit` bytes,
    // nearest first among equals; length 0 when there is none of 3 bytes.
    Candidate Longest(const History& history, std::uint64_t pos, unsigned limit) const;
    // The nearest earlier two-byte match within `maxDistance`, asked before
    // `pos` is recorded; distance 0 if none.
    std::uint32_t NearestPair(const History& history, std::uint64_t pos) const;

  private:
    unsigned Hash3(const std::uint8_t* p) const {
        return ((p[0] << 16 | p[1] << 8 | p[2]) * 2654435761u) >> (32 - hashBits_);
    }
    static unsigned Hash2(const std::uint8_t* p) { return p[0] << 8 | p[1]; }
    static unsigned Hash8(const std::uint8_t* p);
    // Walks one chain from `tag` newest first, keeping in `best` the longest
    // match it finds, until one is long enough to stop searching.
    void Walk(const std::vector<std::uint32_t>& chain, std::uint32_t tag, unsigned steps,
              const std::uint8_t* p, std::uint64_t pos, std::uint64_t reach, unsigned limit,
              Candidate& best) const;

    const std::uint32_t mask_;
    const std::uint32_t maxDistance_;
    const unsigned depth_;
    const unsigned niceLength_;
    // Deep searches get enough heads that a chain over incompressible data
    // holds a few positions, not the dozens they would walk for nothing;
    // shallow ones stop early anyway and keep their heads in the cache.
    const unsigned hashBits_;
    // Position + 1 (0: none), kept modulo 2^32: the distance check and the
    // byte comparison make an aliased entry harmless, and so is one left
    // from before a reset, which lies before the history's start.
    std::vector<std::uint32_t> head_;
    std::vector<std::uint32_t> chain_;
    std::vector<std::uint32_t> pairs_;
    // The eight-byte chains, empty for shallow searches.
    std::vector<std::uint32_t> longHead_;
    std::vector<std::uint32_t> longChain_;
};

} // namespace rar::encode
