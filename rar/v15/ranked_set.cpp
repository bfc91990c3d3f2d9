#include "rar/v15/ranked_set.h"

namespace rar::v15 {

void RankedSet::Rebalance() {
    for (unsigned i = 0; i < 256; ++i)
        entries_[i] = static_cast<std::uint16_t>((entries_[i] & 0xff00) | (7 - i / 32));
    for (std::uint8_t& n : nextPlace_)
        n = 0;
    for (unsigned count = 0; count < 7; ++count)
        nextPlace_[count] = static_cast<std::uint8_t>((7 - count) * 32);
}

unsigned RankedSet::Use(unsigned place, unsigned maxCount) {
    place &= 0xff;
    for (;;) {
        unsigned entry = entries_[place];
        unsigned newPlace = nextPlace_[entry & 0xff]++;
        unsigned counted = entry + 1;
        unsigned count = counted & 0xff;
        if (count != 0 && count <= maxCount) {
            entries_[place] = entries_[newPlace];
            entries_[newPlace] = static_cast<std::uint16_t>(counted);
            return entry >> 8;
        }
        Rebalance();
    }
}

} // namespace rar::v15
