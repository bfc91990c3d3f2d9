#pragma once
// A self-ranking symbol set: 256 entries, each a symbol (high byte) with a use
// count (low byte). Coding a symbol by its place and moving it towards the
// front as it is used lets the fixed place codes adapt to the data.
#include <cstdint>

namespace rar::v15 {

class RankedSet {
  public:
    // Entry i holds symbol `symbolOf(i)` with count 0.
    template <typename SymbolOf> void Fill(SymbolOf symbolOf) {
        for (unsigned i = 0; i < 256; ++i)
            entries_[i] = static_cast<std::uint16_t>(symbolOf(i) << 8);
        for (std::uint8_t& n : nextPlace_)
            n = 0;
    }
    // Gives the counts back as eight groups of 32 places, the front group
    // counting most, so that counting starts afresh while keeping the order.
    void Rebalance();
    // The symbol at `place` (0..255), then counts its use and moves it to
    // the next free place of its new count. Counts that would exceed
    // `maxCount` (or wrap) rebalance the set first.
    unsigned Use(unsigned place, unsigned maxCount);

  private:
    std::uint16_t entries_[256];
    // For each count, the place where the next entry reaching it goes. A
    // byte: the places wrap within the set.
    std::uint8_t nextPlace_[256];
};

} // namespace rar::v15
