#include "rar/v29/decoder29.h"
#include "rar/lz/decoder.h"
#include "rar/lz/match_slots.h"
#include "rar/ppmd/model.h"
#include "rar/v29/block_tables.h"
#include "rar/v29/filter_queue.h"
#include "rar/v29/window.h"

#include <algorithm>
#include <array>

namespace rar {

namespace v29 {

namespace {

static_assert(kLengthSymbols == lz::kLengthSlots);
static_assert(kDistanceSymbols == lz::kDistanceSlots);

// Slots from here on send their low four bits through the low-distance code.
constexpr unsigned kFirstLowDistanceSlot = 10;
// The low-distance code's symbol for "the previous low bits, this time and
// the next kLowDistanceRepeats - 1 times".
constexpr unsigned kRepeatLowDistance = 16;
constexpr unsigned kLowDistanceRepeats = 16;

// Kept free between the decoding position and the oldest byte not yet
// written out, so that one more match never overwrites it.
constexpr std::size_t kWindowReserve = 2 * Window::kMaxMatch;

// The PPMd coder pulls whole bytes from the bit reader, which a PPMd block
// leaves byte-aligned.
class PackedBytes final : public ppmd::BytePuller {
  public:
    std::uint8_t Next() override { return static_cast<std::uint8_t>(in->Read(8)); }
    BitReader* in = nullptr;
};

// How a run of decoding stopped.
enum class Stop { Limit, BlockSwitched, EntryEnds };

class Decoder29 final : public Decoder {
  public:
    explicit Decoder29(std::size_t windowSize) : windowSize_(windowSize) {}

    void Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& sink,
                bool solid) override;

  private:
    void ResetStream();
    void ReadBlockHeader(BitReader& in);
    // Decodes until the entry ends; returns normally only at its end.
    void DecodeEntry(BitReader& in, EntryOutput& out);
    Stop DecodeLz(BitReader& in, std::uint64_t limit);
    unsigned DecodeLiterals(BitReader& in, std::uint64_t limit);
    // After the entry's last byte: true when a block or filter follows that
    // still belongs to it.
    bool LzTrailer(BitReader& in);
    bool PpmTrailer(BitReader& in);
    Stop DecodePpm(BitReader& in, std::uint64_t limit);
    // What follows the escape byte in a PPMd block.
    Stop PpmEscape(BitReader& in);
    bool DecodeSymbol(BitReader& in, unsigned symbol);
    bool ReadEndMarker(BitReader& in);
    template <class NextByte> void ReadFilterBlock(NextByte next);
    std::uint32_t ReadLength(BitReader& in, unsigned slot) const;
    void RepeatMatch(BitReader& in, unsigned index);
    void ShortMatch(BitReader& in, unsigned slot);
    void LongMatch(BitReader& in, unsigned lengthSlot);
    std::uint32_t ReadLowDistance(BitReader& in);
    void Match(std::uint32_t distance, std::uint32_t length, bool newDistance);

    const std::size_t windowSize_;
    Window window_;
    FilterQueue filters_;
    BlockTables tables_;
    // The next entry of a solid stream goes on in the current LZ block, with
    // no block header of its own: only after an LZ block whose end did not
    // ask for new tables. A PPMd block never runs on into the next entry (its
    // coder starts afresh with every block header), so the entry after one
    // always starts with a header, which keeps the model unless it asks for
    // a fresh one.
    bool tablesRead_ = false;
    std::array<std::uint32_t, 4> oldDistances_{};
    std::uint32_t lastDistance_ = 0;
    std::uint32_t lastLength_ = 0;
    std::uint32_t previousLowDistance_ = 0;
    unsigned lowDistanceRepeats_ = 0;
    std::uint64_t entryEnd_ = 0;
    // An entry that failed leaves nothing a solid successor could continue.
    bool broken_ = false;
    std::vector<std::uint8_t> filterBody_;
    ppmd::Model ppm_;
    PackedBytes ppmInput_;
    bool ppmBlock_ = false;
    std::uint8_t ppmEscape_ = 2;
    bool markerPastEnd_ = false; // the entry's PPMd end marker came from past its bytes
};

void Decoder29::Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& sink, bool solid) {
    if (solid && broken_)
        throw DataError("solid stream broken by an earlier entry");
    broken_ = true;
    window_.Allocate(windowSize_);
    if (!solid)
        ResetStream();
    filters_.DropPending();
    BitReader in(packed);
    ppmInput_.in = &in;
    EntryOutput out(sink, window_.pos, unpackedSize);
    entryEnd_ = window_.pos + std::min(unpackedSize, UINT64_MAX - window_.pos);
    if (unpackedSize != 0 || !in.AtEnd()) {
        if (!tablesRead_)
            ReadBlockHeader(in);
        markerPastEnd_ = false;
        DecodeEntry(in, out);
        if (!markerPastEnd_)
            in.CheckNotOverrun();
        // Blocks still waiting for data past the entry's end cannot apply.
        filters_.WriteOut(window_, out);
        filters_.DropPending();
        filters_.WriteOut(window_, out);
    }
    if (out.Remaining() != 0)
        throw DataError("packed data ends before the entry does");
    broken_ = false;
}

void Decoder29::ResetStream() {
    // Whatever an entry that failed left undelivered is not this entry's.
    window_.written = window_.pos;
    tablesRead_ = false;
    tables_.lengths.fill(0);
    oldDistances_.fill(0);
    lastDistance_ = 0;
    lastLength_ = 0;
    previousLowDistance_ = 0;
    lowDistanceRepeats_ = 0;
    filters_.Reset();
    ppmBlock_ = false;
    ppmEscape_ = 2;
}

void Decoder29::ReadBlockHeader(BitReader& in) {
    in.AlignToByte();
    ppmBlock_ = in.Peek(1) != 0;
    tablesRead_ = false;
    if (ppmBlock_) {
        ppm_.StartBlock(ppmInput_, ppmEscape_);
        return;
    }
    in.Skip(1);
    bool keepOld = in.Read(1) != 0;
    previousLowDistance_ = 0;
    lowDistanceRepeats_ = 0;
    tables_.Read(in, keepOld);
    tablesRead_ = true;
}

void Decoder29::DecodeEntry(BitReader& in, EntryOutput& out) {
    for (;;) {
        std::uint64_t flushAt = window_.written + window_.Size() - kWindowReserve;
        std::uint64_t limit = std::min(flushAt, entryEnd_);
        Stop stop = ppmBlock_ ? DecodePpm(in, limit) : DecodeLz(in, limit);
        if (stop == Stop::EntryEnds)
            return;
        if (stop == Stop::BlockSwitched)
            continue;
        if (window_.pos >= entryEnd_) {
            if (!(ppmBlock_ ? PpmTrailer(in) : LzTrailer(in)))
                return;
            continue;
        }
        filters_.WriteOut(window_, out);
        if (window_.pos - window_.written >= window_.Size() - kWindowReserve)
            throw DataError("filter block larger than the dictionary");
    }
}

Stop Decoder29::DecodeLz(BitReader& in, std::uint64_t limit) {
    while (window_.pos < limit) {
        const unsigned symbol = DecodeLiterals(in, limit);
        if (symbol < 256)
            break;
        if (!DecodeSymbol(in, symbol))
            return Stop::EntryEnds;
        if (ppmBlock_)
            return Stop::BlockSwitched;
    }
    return Stop::Limit;
}

// Literals, by far the most frequent symbol, go straight in, up to the first
// other symbol, which is returned (a literal when `limit` came first).
// Flattened, as the program is otherwise compiled for size: the reads of the
// bit register and the code table would stay calls, in the loop where most
// of an entry's time goes.
[[gnu::flatten]] unsigned Decoder29::DecodeLiterals(BitReader& in, std::uint64_t limit) {
    std::uint8_t* const data = window_.Data();
    const std::size_t mask = window_.Size() - 1;
    std::uint64_t pos = window_.pos;
    unsigned symbol = 0;
    while (pos < limit) {
        symbol = tables_.main.Decode(in);
        if (symbol >= 256)
            break;
        data[pos++ & mask] = static_cast<std::uint8_t>(symbol);
    }
    window_.pos = pos;
    return symbol;
}

bool Decoder29::LzTrailer(BitReader& in) {
    // Past the entry's size only what produces no data still belongs to it:
    // the end marker and filter blocks.
    unsigned next = tables_.main.PeekSymbol(in);
    if (next != 256 && next != 257)
        return false;
    tables_.main.Decode(in);
    return DecodeSymbol(in, next);
}

Stop Decoder29::DecodePpm(BitReader& in, std::uint64_t limit) {
    std::uint8_t* const data = window_.Data();
    const std::size_t mask = window_.Size() - 1;
    while (window_.pos < limit) {
        std::uint8_t byte = ppm_.DecodeByte();
        if (byte == ppmEscape_) {
            Stop stop = PpmEscape(in);
            if (stop != Stop::Limit)
                return stop;
            continue;
        }
        data[window_.pos++ & mask] = byte;
    }
    return Stop::Limit;
}

bool Decoder29::PpmTrailer(BitReader& in) {
    if (in.AtEnd()) {
        // The coder may have handed over its last byte before the end marker
        // was coded in full. The marker is read all the same, from the zeros
        // past the end, as the official library reads it: the next entry of
        // a solid stream needs the model to have seen it.
        if (ppm_.DecodeByte() == ppmEscape_)
            ppm_.DecodeByte();
        markerPastEnd_ = true;
        return false;
    }
    if (ppm_.DecodeByte() != ppmEscape_)
        return false;
    std::uint64_t pos = window_.pos;
    Stop stop = PpmEscape(in);
    // Data past the entry's size is not the entry's.
    return stop == Stop::BlockSwitched || (stop == Stop::Limit && window_.pos == pos);
}

Stop Decoder29::PpmEscape(BitReader& in) {
    std::uint8_t code = ppm_.DecodeByte();
    switch (code) {
    case 0:
        ReadBlockHeader(in);
        return Stop::BlockSwitched;
    case 2:
        return Stop::EntryEnds;
    case 3:
        ReadFilterBlock([this] { return ppm_.DecodeByte(); });
        return Stop::Limit;
    case 4: {
        std::uint32_t distance = 0;
        for (int i = 0; i < 3; ++i)
            distance = (distance << 8) | ppm_.DecodeByte();
        std::uint32_t length = ppm_.DecodeByte();
        window_.Copy(distance + 2, length + 32);
        return Stop::Limit;
    }
    case 5:
        window_.Copy(1, ppm_.DecodeByte() + 4u);
        return Stop::Limit;
    default:
        window_.Data()[window_.pos++ & (window_.Size() - 1)] = ppmEscape_;
        return Stop::Limit;
    }
}

// Everything but a literal; false when the entry ends.
bool Decoder29::DecodeSymbol(BitReader& in, unsigned symbol) {
    if (symbol >= 271)
        LongMatch(in, symbol - 271);
    else if (symbol >= 263)
        ShortMatch(in, symbol - 263);
    else if (symbol >= 259)
        RepeatMatch(in, symbol - 259);
    else if (symbol == 258) {
        if (lastLength_ != 0)
            window_.Copy(lastDistance_, lastLength_);
    } else if (symbol == 257)
        ReadFilterBlock([&in] { return static_cast<std::uint8_t>(in.Read(8)); });
    else
        return !ReadEndMarker(in);
    return true;
}

// True when the entry ends here; otherwise new tables follow.
bool Decoder29::ReadEndMarker(BitReader& in) {
    if (in.Read(1)) {
        ReadBlockHeader(in);
        return false;
    }
    // The next entry of a solid stream starts with tables only if asked to.
    tablesRead_ = in.Read(1) == 0;
    return true;
}

template <class NextByte> void Decoder29::ReadFilterBlock(NextByte next) {
    std::uint8_t flags = next();
    std::uint32_t size = (flags & 7) + 1;
    if (size == 7) {
        size = next() + 7u;
    } else if (size == 8) {
        size = static_cast<std::uint32_t>(next()) << 8;
        size |= next();
    }
    if (size == 0)
        throw DataError("empty filter block");
    filterBody_.resize(size);
    for (auto& byte : filterBody_)
        byte = next();
    filters_.Add(flags, filterBody_, window_.pos);
}

std::uint32_t Decoder29::ReadLength(BitReader& in, unsigned slot) const {
    std::uint32_t length = lz::kLengthBase[slot];
    if (lz::kLengthBits[slot] != 0)
        length += in.Read(lz::kLengthBits[slot]);
    return length;
}

void Decoder29::RepeatMatch(BitReader& in, unsigned index) {
    std::uint32_t distance = oldDistances_[index];
    for (unsigned i = index; i > 0; --i)
        oldDistances_[i] = oldDistances_[i - 1];
    oldDistances_[0] = distance;
    std::uint32_t length = ReadLength(in, tables_.length.Decode(in)) + 2;
    Match(distance, length, false);
}

void Decoder29::ShortMatch(BitReader& in, unsigned slot) {
    std::uint32_t distance =
        lz::kShortDistanceBase[slot] + 1u + in.Read(lz::kShortDistanceBits[slot]);
    Match(distance, 2, true);
}

// Flattened for the reason DecodeLiterals is: the match that text is made of.
[[gnu::flatten]] void Decoder29::LongMatch(BitReader& in, unsigned lengthSlot) {
    std::uint32_t length = ReadLength(in, lengthSlot) + 3;
    unsigned slot = tables_.distance.Decode(in);
    std::uint32_t distance = lz::kDistance.base[slot] + 1;
    unsigned bits = lz::kDistance.bits[slot];
    if (slot >= kFirstLowDistanceSlot) {
        if (bits > 4)
            distance += in.Read(bits - 4) << 4;
        distance += ReadLowDistance(in);
    } else if (bits != 0) {
        distance += in.Read(bits);
    }
    // Far matches must be longer to pay off, so their lengths start higher.
    if (distance >= 0x2000) {
        ++length;
        if (distance >= 0x40000)
            ++length;
    }
    Match(distance, length, true);
}

std::uint32_t Decoder29::ReadLowDistance(BitReader& in) {
    if (lowDistanceRepeats_ > 0) {
        --lowDistanceRepeats_;
        return previousLowDistance_;
    }
    unsigned low = tables_.lowDistance.Decode(in);
    if (low == kRepeatLowDistance) {
        lowDistanceRepeats_ = kLowDistanceRepeats - 1;
        return previousLowDistance_;
    }
    previousLowDistance_ = low;
    return low;
}

void Decoder29::Match(std::uint32_t distance, std::uint32_t length, bool newDistance) {
    if (newDistance) {
        for (unsigned i = 3; i > 0; --i)
            oldDistances_[i] = oldDistances_[i - 1];
        oldDistances_[0] = distance;
    }
    lastDistance_ = distance;
    lastLength_ = length;
    window_.Copy(distance, length);
}

} // namespace

} // namespace v29

std::unique_ptr<Decoder> MakeDecoder29(std::size_t windowSize) {
    return std::make_unique<v29::Decoder29>(windowSize);
}

} // namespace rar
