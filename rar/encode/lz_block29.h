#pragma once
// One LZ block of the 2.9 format as the encoder collects it: the symbols of a
// stretch of the stream, which may end entries on the way, and how the block
// is written: its code lengths in the header, then the symbols.
//
//   block   = header symbol* end
//   header  = (byte-aligned) 0 (LZ) 0 (fresh lengths) 20 x 4-bit pre-code
//             lengths, then 404 code lengths in the pre-code
//   symbol  = literal | match | repeat match | short match | filter
//   filter  = 257 bytes          (see filters29.h)
//   end     = 256 1           (new tables follow in this entry)
//           | 256 0 t         (the entry ends; t = 1: the next entry starts
//                              with tables, 0: it goes on with these)
// An entry's packed data ends on a byte boundary after its end marker.
#include "rar/encode/bit_writer.h"

#include <cstdint>
#include <vector>

namespace rar::encode {

struct LzToken {
    enum Kind : std::uint8_t { Literal, Match, Repeat, ShortMatch, Filter, EntryEnd, EmptyEntry };
    Kind kind;
    std::uint8_t repeat;  // Repeat: which old distance (0 = newest)
    std::uint16_t length; // bytes copied
    std::uint32_t value;  // Literal: the byte; matches: the distance;
                          // Filter: which of the block's filter blocks
};

// What a block would take, in bits, under the codes its own symbols give.
struct LzCosts {
    std::size_t header = 0;            // the code lengths, from the byte boundary
    std::vector<std::uint32_t> tokens; // each token, in order
};

class LzBlock29 {
  public:
    void Add(const LzToken& token) { tokens_.push_back(token); }
    void AddFilter(std::vector<std::uint8_t> bytes) {
        tokens_.push_back({LzToken::Filter, 0, 0, static_cast<std::uint32_t>(filters_.size())});
        filters_.push_back(std::move(bytes));
    }
    bool Empty() const { return tokens_.empty(); }
    std::size_t Size() const { return tokens_.size(); }
    const std::vector<LzToken>& Tokens() const { return tokens_; }
    // Drops the symbols: the block went out coded otherwise.
    void Clear() {
        tokens_.clear();
        filters_.clear();
    }

    LzCosts Costs() const;

    // Writes the block to `out`. At each entry's end the entry's packed
    // bytes are handed to `entryDone` (an empty entry's too, as none).
    template <class EntryDone> void Write(BitWriter& out, EntryDone entryDone) {
        const std::size_t last = LastRealToken();
        if (last < tokens_.size())
            WriteHeader(out);
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            const LzToken& token = tokens_[i];
            if (token.kind == LzToken::EmptyEntry) {
                entryDone(std::vector<std::uint8_t>());
                continue;
            }
            WriteToken(out, token, i == last);
            if (token.kind == LzToken::EntryEnd)
                entryDone(out.Take());
        }
        if (last < tokens_.size() && tokens_[last].kind != LzToken::EntryEnd) {
            PutMain(out, 256);
            out.Put(1, 1);
        }
        Clear();
    }

  private:
    std::size_t LastRealToken() const;
    void WriteHeader(BitWriter& out);
    void WriteToken(BitWriter& out, const LzToken& token, bool lastInBlock);
    void PutMain(BitWriter& out, unsigned symbol);

    std::vector<LzToken> tokens_;
    std::vector<std::vector<std::uint8_t>> filters_;
    std::vector<std::uint8_t> lengths_;
    std::vector<std::uint16_t> codes_;
};

} // namespace rar::encode
