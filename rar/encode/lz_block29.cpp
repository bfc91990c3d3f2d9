#include "rar/encode/lz_block29.h"

#include "rar/encode/prefix_code.h"
#include "rar/encode/symbols29.h"

namespace rar::encode {

using namespace v29;

namespace {

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLevelSymbols = 20;
constexpr unsigned kDistanceOffset = kMainSymbols;
constexpr unsigned kLowOffset = kDistanceOffset + kDistanceSymbols;
constexpr unsigned kLengthOffset = kLowOffset + kLowDistanceSymbols;

// The symbols a token sends through the four codes, in table coordinates,
// and the extra bits between them: what both counting and writing walk.
template <class Symbol, class Bits>
void VisitToken(const LzToken& token, Symbol symbol, Bits bits) {
    switch (token.kind) {
    case LzToken::Literal:
        symbol(token.value);
        return;
    case LzToken::Repeat: {
        symbol(kFirstRepeat + token.repeat);
        const Slot length = LengthSlot(token.length - 2u);
        symbol(kLengthOffset + length.symbol);
        bits(length.extra, length.bits);
        return;
    }
    case LzToken::ShortMatch: {
        const Slot distance = ShortSlot(token.value);
        symbol(kFirstShort + distance.symbol);
        bits(distance.extra, distance.bits);
        return;
    }
    case LzToken::Match: {
        const Slot length = LengthSlot(token.length - kMinMatch - FarBonus(token.value));
        symbol(kFirstMatch + length.symbol);
        bits(length.extra, length.bits);
        const Slot distance = DistanceSlot(token.value - 1);
        symbol(kDistanceOffset + distance.symbol);
        if (distance.symbol < kFirstLowDistanceSlot) {
            bits(distance.extra, distance.bits);
            return;
        }
        bits(distance.extra >> 4, distance.bits - 4);
        symbol(kLowOffset + (distance.extra & 15));
        return;
    }
    case LzToken::Filter:
        symbol(kFilterSymbol);
        return;
    case LzToken::EntryEnd:
    case LzToken::EmptyEntry:
        return;
    }
}

// One code length sequence in the pre-code's alphabet: 0..15 as themselves,
// 16/17 repeat the previous length, 18/19 write zeros (3..10 with 3 extra
// bits, 11..138 with 7).
struct LevelSymbol {
    std::uint8_t symbol;
    std::uint8_t extra;
};

std::vector<LevelSymbol> RunLengths(const std::vector<std::uint8_t>& lengths) {
    std::vector<LevelSymbol> out;
    for (std::size_t i = 0; i < lengths.size();) {
        const std::uint8_t value = lengths[i];
        std::size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == value)
            ++run;
        std::size_t left = run;
        if (value != 0) {
            out.push_back({value, 0});
            --left;
        }
        const std::uint8_t shortCode = value == 0 ? 18 : 16;
        while (left >= 3) {
            if (left >= 11) {
                const std::size_t n = std::min<std::size_t>(left, 138);
                out.push_back(
                    {static_cast<std::uint8_t>(shortCode + 1), static_cast<std::uint8_t>(n - 11)});
                left -= n;
            } else {
                const std::size_t n = std::min<std::size_t>(left, 10);
                out.push_back({shortCode, static_cast<std::uint8_t>(n - 3)});
                left -= n;
            }
        }
        for (; left > 0; --left)
            out.push_back({value, 0});
        i += run;
    }
    return out;
}

std::vector<std::uint8_t> TableLengths(const std::vector<std::uint32_t>& counts, unsigned from,
                                       unsigned size) {
    return CodeLengths(
        std::vector<std::uint32_t>(counts.begin() + from, counts.begin() + from + size),
        kMaxCodeLength);
}

} // namespace

std::size_t LzBlock29::LastRealToken() const {
    for (std::size_t i = tokens_.size(); i-- > 0;)
        if (tokens_[i].kind != LzToken::EmptyEntry)
            return i;
    return tokens_.size();
}

void LzBlock29::WriteHeader(BitWriter& out) {
    std::vector<std::uint32_t> counts(kTableSymbols, 0);
    counts[kEndOfBlock] = 1;
    for (const LzToken& token : tokens_)
        VisitToken(
            token, [&](unsigned s) { ++counts[s]; }, [](std::uint32_t, unsigned) {});

    lengths_.clear();
    for (auto [from, size] : {std::pair{0u, kMainSymbols},
                              {kDistanceOffset, kDistanceSymbols},
                              {kLowOffset, kLowDistanceSymbols},
                              {kLengthOffset, kLengthSymbols}}) {
        const std::vector<std::uint8_t> part = TableLengths(counts, from, size);
        lengths_.insert(lengths_.end(), part.begin(), part.end());
    }
    codes_.clear();
    for (auto [from, size] : {std::pair{0u, kMainSymbols},
                              {kDistanceOffset, kDistanceSymbols},
                              {kLowOffset, kLowDistanceSymbols},
                              {kLengthOffset, kLengthSymbols}}) {
        const std::vector<std::uint16_t> part = CanonicalCodes(
            std::vector<std::uint8_t>(lengths_.begin() + from, lengths_.begin() + from + size));
        codes_.insert(codes_.end(), part.begin(), part.end());
    }

    const std::vector<LevelSymbol> levels = RunLengths(lengths_);
    std::vector<std::uint32_t> levelCounts(kLevelSymbols, 0);
    for (const LevelSymbol& level : levels)
        ++levelCounts[level.symbol];
    const std::vector<std::uint8_t> levelLengths = CodeLengths(levelCounts, kMaxCodeLength);
    const std::vector<std::uint16_t> levelCodes = CanonicalCodes(levelLengths);

    out.AlignToByte();
    out.Put(0, 1); // LZ
    out.Put(0, 1); // fresh lengths, not differences from the last block's
    for (std::uint8_t length : levelLengths) {
        out.Put(length, 4);
        if (length == 15) // 15 escapes a run of zeros; 15 then 0 is itself
            out.Put(0, 4);
    }
    for (const LevelSymbol& level : levels) {
        out.Put(levelCodes[level.symbol], levelLengths[level.symbol]);
        if (level.symbol >= 16)
            out.Put(level.extra, level.symbol % 2 == 0 ? 3 : 7);
    }
}

LzCosts LzBlock29::Costs() const {
    LzBlock29 coded = *this;
    BitWriter header;
    coded.WriteHeader(header);
    LzCosts costs;
    costs.header = header.Bits();
    costs.tokens.reserve(tokens_.size());
    for (const LzToken& token : tokens_) {
        std::uint32_t bits = 0;
        if (token.kind == LzToken::EntryEnd)
            bits = coded.lengths_[kEndOfBlock] + 2;
        else if (token.kind == LzToken::Filter)
            bits = coded.lengths_[kFilterSymbol] + 8 * filters_[token.value].size();
        else
            VisitToken(
                token, [&](unsigned symbol) { bits += coded.lengths_[symbol]; },
                [&](std::uint32_t, unsigned count) { bits += count; });
        costs.tokens.push_back(bits);
    }
    return costs;
}

void LzBlock29::PutMain(BitWriter& out, unsigned symbol) {
    out.Put(codes_[symbol], lengths_[symbol]);
}

void LzBlock29::WriteToken(BitWriter& out, const LzToken& token, bool lastInBlock) {
    if (token.kind == LzToken::EntryEnd) {
        PutMain(out, kEndOfBlock);
        out.Put(0, 1);                   // the entry ends
        out.Put(lastInBlock ? 1 : 0, 1); // the next entry starts with tables
        out.AlignToByte();
        return;
    }
    if (token.kind == LzToken::Filter) {
        PutMain(out, kFilterSymbol);
        for (std::uint8_t byte : filters_[token.value])
            out.Put(byte, 8);
        return;
    }
    VisitToken(
        token, [&](unsigned s) { out.Put(codes_[s], lengths_[s]); },
        [&](std::uint32_t value, unsigned count) { out.Put(value, count); });
}

} // namespace rar::encode
