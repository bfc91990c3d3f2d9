#include "rar/v20/decoder20.h"

#include "rar/lz/match_slots.h"
#include "rar/v20/audio_predictor.h"
#include "rar/v20/code_tables.h"

#include <algorithm>
#include <array>
#include <new>

namespace rar {

namespace v20 {

namespace {

static_assert(CodeTables::kLengthSymbols == lz::kLengthSlots);
static_assert(CodeTables::kDistanceSymbols <= lz::kDistanceSlots);

// Main-code symbols past the literals.
constexpr unsigned kRepeatLast = 256;
constexpr unsigned kFirstShortDistance = 261;
constexpr unsigned kNewTables = 269;
constexpr unsigned kFirstLongMatch = 270;
// The multimedia codes' symbol for a new block header.
constexpr unsigned kAudioNewTables = 256;

// The longest match a symbol can ask for.
constexpr std::uint32_t kMaxMatch = 224 + 31 + 3 + 2;
// Distances never exceed this, so a larger window would only waste memory.
constexpr std::size_t kMaxWindow = std::size_t{1} << 20;
constexpr std::size_t kMinWindow = std::size_t{1} << 16;
// A block header this close to the end of an entry is not looked for: the
// header would not fit.
constexpr std::uint64_t kTrailingHeaderBits = 33;

std::size_t WindowSizeFor(std::size_t requested) {
    std::size_t size = kMinWindow;
    while (size < requested && size < kMaxWindow)
        size <<= 1;
    return size;
}

class Decoder20 final : public Decoder {
  public:
    explicit Decoder20(std::size_t windowSize)
        : windowSize_(WindowSizeFor(windowSize)), mask_(windowSize_ - 1) {
        window_.reset(new (std::nothrow) std::uint8_t[windowSize_]());
        if (!window_)
            throw MemoryError("no memory for the dictionary window");
    }

    void Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& sink,
                bool solid) override;

  private:
    void Reset();
    void DecodeTo(BitReader& in, std::uint64_t end, ByteSink& sink);
    void ReadTables(BitReader& in);
    void ReadTrailingTables(BitReader& in);
    void DecodeMatch(BitReader& in, unsigned symbol);
    std::uint32_t ReadExtra(BitReader& in, unsigned bits) { return bits ? in.Read(bits) : 0; }
    void Copy(std::uint32_t distance, std::uint32_t length);
    void Flush(std::uint64_t end, ByteSink& sink);

    std::size_t windowSize_;
    std::unique_ptr<std::uint8_t[]> window_;
    std::size_t mask_;
    std::uint64_t pos_ = 0;     // decoded since the stream began
    std::uint64_t flushed_ = 0; // handed to the sink

    CodeTables tables_;
    AudioPredictor audio_;
    std::array<std::uint32_t, 4> oldDistances_{};
    unsigned oldDistanceIndex_ = 0;
    std::uint32_t lastDistance_ = 0;
    std::uint32_t lastLength_ = 0;
    bool tablesRead_ = false;
    // The last entry failed, or the block header after its last byte was
    // damaged: the state a solid successor would continue from is unknown.
    bool broken_ = false;
};

void Decoder20::Reset() {
    // A distance past the start of the stream reads zeros, the same every
    // time; only the part the previous stream wrote needs clearing.
    std::fill_n(window_.get(), std::min<std::uint64_t>(pos_, windowSize_), std::uint8_t{0});
    pos_ = 0;
    tables_.Reset();
    audio_.Reset();
    oldDistances_.fill(0);
    oldDistanceIndex_ = 0;
    lastDistance_ = 0;
    lastLength_ = 0;
    tablesRead_ = false;
    broken_ = false;
}

void Decoder20::Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& sink, bool solid) {
    if (!solid)
        Reset();
    if (broken_)
        throw DataError("the previous solid entry was damaged");
    if (unpackedSize == 0)
        return;
    BitReader in(packed);
    flushed_ = pos_;
    // Until this entry is complete a solid successor has nothing sound to
    // continue from.
    broken_ = true;
    if (!tablesRead_)
        ReadTables(in);
    std::uint64_t end = pos_ + unpackedSize;
    DecodeTo(in, end, sink);
    Flush(end, sink);
    broken_ = false;
    ReadTrailingTables(in);
}

void Decoder20::ReadTables(BitReader& in) {
    tablesRead_ = false;
    tables_.Read(in);
    if (tables_.audio)
        audio_.SetChannels(tables_.channels);
    tablesRead_ = true;
}

void Decoder20::DecodeTo(BitReader& in, std::uint64_t end, ByteSink& sink) {
    std::uint8_t* window = window_.get();
    const std::uint64_t flushAt = windowSize_ - kMaxMatch;
    while (pos_ < end) {
        if (pos_ - flushed_ >= flushAt)
            Flush(end, sink);
        in.CheckNotOverrun();
        if (tables_.audio) {
            unsigned symbol = tables_.audioCodes[audio_.Channel()].Decode(in);
            if (symbol == kAudioNewTables)
                ReadTables(in);
            else
                window[pos_++ & mask_] = audio_.Decode(symbol);
            continue;
        }
        unsigned symbol = tables_.main.Decode(in);
        if (symbol < 256)
            window[pos_++ & mask_] = static_cast<std::uint8_t>(symbol);
        else if (symbol == kNewTables)
            ReadTables(in);
        else
            DecodeMatch(in, symbol);
    }
    in.CheckNotOverrun();
}

void Decoder20::DecodeMatch(BitReader& in, unsigned symbol) {
    if (symbol >= kFirstLongMatch) {
        unsigned slot = symbol - kFirstLongMatch;
        std::uint32_t length = lz::kLengthBase[slot] + 3 + ReadExtra(in, lz::kLengthBits[slot]);
        unsigned d = tables_.distance.Decode(in);
        std::uint32_t distance = lz::kDistance.base[d] + 1 + ReadExtra(in, lz::kDistance.bits[d]);
        // Far matches must be longer to pay for their distance.
        length += (distance >= 0x2000) + (distance >= 0x40000);
        Copy(distance, length);
    } else if (symbol == kRepeatLast) {
        Copy(lastDistance_, lastLength_);
    } else if (symbol < kFirstShortDistance) {
        // The four symbols after the repeat name the last distances, newest first.
        std::uint32_t distance = oldDistances_[(oldDistanceIndex_ - (symbol - kRepeatLast)) & 3];
        unsigned slot = tables_.length.Decode(in);
        std::uint32_t length = lz::kLengthBase[slot] + 2 + ReadExtra(in, lz::kLengthBits[slot]);
        length += (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
        Copy(distance, length);
    } else {
        unsigned slot = symbol - kFirstShortDistance;
        Copy(lz::kShortDistanceBase[slot] + 1 + ReadExtra(in, lz::kShortDistanceBits[slot]), 2);
    }
}

void Decoder20::Copy(std::uint32_t distance, std::uint32_t length) {
    oldDistances_[oldDistanceIndex_++ & 3] = distance;
    lastDistance_ = distance;
    lastLength_ = length;
    std::uint8_t* window = window_.get();
    std::size_t to = pos_ & mask_;
    std::size_t from = (to - distance) & mask_;
    pos_ += length;
    if (distance >= length && to + length <= windowSize_ && from + length <= windowSize_) {
        std::copy_n(window + from, length, window + to);
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i)
        window[(to + i) & mask_] = window[(from + i) & mask_];
}

void Decoder20::Flush(std::uint64_t end, ByteSink& sink) {
    std::uint64_t upTo = std::min(pos_, end);
    while (flushed_ < upTo) {
        std::size_t at = flushed_ & mask_;
        auto size =
            static_cast<std::size_t>(std::min<std::uint64_t>(upTo - flushed_, windowSize_ - at));
        sink.Write(window_.get() + at, size);
        flushed_ += size;
    }
}

// The encoder may end an entry with the header of the block the next solid
// entry starts in. The entry's bytes are complete by now, so a damaged header
// only spoils a solid successor.
void Decoder20::ReadTrailingTables(BitReader& in) {
    if (in.RemainingBits(kTrailingHeaderBits) < kTrailingHeaderBits)
        return;
    try {
        unsigned symbol = tables_.audio ? tables_.audioCodes[audio_.Channel()].Decode(in)
                                        : tables_.main.Decode(in);
        if (symbol == (tables_.audio ? kAudioNewTables : kNewTables))
            ReadTables(in);
    } catch (const DataError&) {
        broken_ = true;
    }
}

} // namespace

} // namespace v20

std::unique_ptr<Decoder> MakeDecoder20(std::size_t windowSize) {
    return std::make_unique<v20::Decoder20>(windowSize);
}

} // namespace rar
