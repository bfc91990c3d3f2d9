#pragma once
// The canonical prefix codes every method since 2.0 builds from code lengths:
// shorter codes first, equal lengths in symbol order. A lookup on the next
// QuickBits bits decodes most symbols; longer codes take a search over the
// lengths. Works with any reader that offers Peek(16) and Skip.
#include "rar/lz/decoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace rar::lz {

// What a code does with lengths that do not describe exactly the whole code
// space.
enum class Unassigned {
    // Lengths that claim more codes than exist are corrupt data (Build throws
    // DataError and keeps the previous code); a bit pattern no code covers is
    // corrupt data when it is decoded.
    Refuse,
    // Any lengths build, as the 2.9 format's own tables do: a pattern past the
    // last code consumes the longest length and decodes to the first symbol,
    // and oversubscribed lengths decode by the same search.
    FirstSymbol,
};

template <Unassigned Policy, unsigned QuickBits = 10> class PrefixCode {
  public:
    static constexpr unsigned kMaxSymbols = 306;
    static constexpr unsigned kMaxLength = 15;

    // `lengths[i]` (0..15, 0 = unused) for each of `count` symbols.
    void Build(const std::uint8_t* lengths, unsigned count);

    template <class Reader> unsigned Decode(Reader& in) const {
        unsigned length;
        unsigned symbol = Lookup(in.Peek(16), length);
        in.Skip(length);
        return symbol;
    }
    // The symbol Decode would return, leaving the input untouched.
    template <class Reader> unsigned PeekSymbol(Reader& in) const {
        unsigned length;
        return Lookup(in.Peek(16), length);
    }

  private:
    static_assert(QuickBits >= 1 && QuickBits < kMaxLength);
    static constexpr unsigned kLengthShift = 12;
    static constexpr std::uint16_t kSymbolMask = (1u << kLengthShift) - 1;

    unsigned Lookup(std::uint32_t bits, unsigned& length) const {
        std::uint16_t entry = quick_[bits >> (16 - QuickBits)];
        if (entry != 0) {
            length = entry >> kLengthShift;
            return entry & kSymbolMask;
        }
        return LookupLong(bits, length);
    }
    // Kept out of line, as the refill of a reader: inlined into every Decode
    // it would bloat the decoders' hot loops for the rare long code.
    [[gnu::noinline]] unsigned LookupLong(std::uint32_t bits, unsigned& length) const;
    void FillQuickTable();

    unsigned count_ = 0;
    // limit_[n]: the first 16-bit left-aligned pattern past every code of
    // length n or less; firstIndex_[n]: where in symbols_ those of length n
    // begin.
    std::array<std::uint32_t, kMaxLength + 1> limit_{};
    std::array<std::uint16_t, kMaxLength + 1> firstIndex_{};
    std::array<std::uint16_t, kMaxSymbols> symbols_{};
    // Symbol plus length << kLengthShift; 0 where the code is longer.
    std::array<std::uint16_t, 1u << QuickBits> quick_{};
};

template <Unassigned Policy, unsigned QuickBits>
void PrefixCode<Policy, QuickBits>::Build(const std::uint8_t* lengths, unsigned count) {
    if (count > kMaxSymbols)
        throw Error("prefix code with too many symbols");
    std::array<unsigned, kMaxLength + 1> perLength{};
    for (unsigned i = 0; i < count; ++i) {
        if (lengths[i] > kMaxLength)
            throw DataError("code length out of range");
        ++perLength[lengths[i]];
    }
    perLength[0] = 0;

    // Checked in full before any member changes, so a refused code leaves
    // the previous one intact.
    std::array<std::uint32_t, kMaxLength + 1> limit{};
    std::uint32_t codes = 0; // one past the last code of the length so far
    for (unsigned n = 1; n <= kMaxLength; ++n) {
        codes = codes * 2 + perLength[n];
        if (Policy == Unassigned::Refuse && codes > (1u << n))
            throw DataError("code lengths claim more codes than exist");
        limit[n] = codes << (16 - n);
    }
    limit_ = limit;
    count_ = count;
    firstIndex_[0] = 0;
    for (unsigned n = 1; n <= kMaxLength; ++n)
        firstIndex_[n] = static_cast<std::uint16_t>(firstIndex_[n - 1] + perLength[n - 1]);

    symbols_.fill(0);
    std::array<std::uint16_t, kMaxLength + 1> next = firstIndex_;
    for (unsigned i = 0; i < count; ++i)
        if (lengths[i] != 0)
            symbols_[next[lengths[i]]++] = static_cast<std::uint16_t>(i);
    FillQuickTable();
}

template <Unassigned Policy, unsigned QuickBits>
void PrefixCode<Policy, QuickBits>::FillQuickTable() {
    // Prefixes below limit_[n] and at or above limit_[n - 1] start a code of
    // length n. Such a code covers an aligned group of prefixes, as every
    // limit_[n - 1] is a multiple of the group's size; longer codes are left
    // to the search (entry 0). Oversubscribed lengths are filled by the same
    // rule, so the lookup and the search agree on every pattern.
    constexpr unsigned kPrefixShift = 16 - QuickBits;
    std::size_t prefix = 0;
    for (unsigned n = 1; n <= QuickBits; ++n) {
        const std::size_t end = std::min<std::size_t>(
            quick_.size(), (limit_[n] + (1u << kPrefixShift) - 1) >> kPrefixShift);
        const std::size_t group = std::size_t{1} << (QuickBits - n);
        while (prefix < end) {
            const std::uint32_t bits = static_cast<std::uint32_t>(prefix) << kPrefixShift;
            const std::uint32_t index = firstIndex_[n] + ((bits - limit_[n - 1]) >> (16 - n));
            const auto entry = static_cast<std::uint16_t>(n << kLengthShift |
                                                          symbols_[index < count_ ? index : 0]);
            const std::size_t stop = std::min(end, prefix + group);
            std::fill(quick_.begin() + prefix, quick_.begin() + stop, entry);
            prefix = stop;
        }
    }
    std::fill(quick_.begin() + prefix, quick_.end(), std::uint16_t{0});
}

template <Unassigned Policy, unsigned QuickBits>
unsigned PrefixCode<Policy, QuickBits>::LookupLong(std::uint32_t bits, unsigned& length) const {
    // Codes of each length follow those of the shorter lengths without a
    // gap, so the first limit above the bits gives the length.
    unsigned n = QuickBits + 1;
    while (n < kMaxLength && bits >= limit_[n])
        ++n;
    if (Policy == Unassigned::Refuse && bits >= limit_[n])
        throw DataError("unassigned prefix code");
    length = n;
    std::uint32_t index = firstIndex_[n] + ((bits - limit_[n - 1]) >> (16 - n));
    return symbols_[index < count_ ? index : 0];
}

} // namespace rar::lz
