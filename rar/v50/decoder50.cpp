// The LZ stage of RAR 5.0 compression: Huffman-coded literals, matches with
// four repeated distances, and filter records, decoded straight into the
// window.
#include "rar/v50/decoder50.h"
#include "rar/lz/decoder.h"
#include "rar/v50/bit_input.h"
#include "rar/v50/block.h"
#include "rar/v50/output.h"
#include "rar/v50/window.h"

#include <algorithm>
#include <array>

namespace rar {

namespace {

using namespace v50;

// Packed bytes kept buffered ahead while decoding; a block header with its
// tables is always shorter.
constexpr std::size_t kInputAhead = 16384;
constexpr std::size_t kMinWindow = 0x20000;
// Unpacked bytes decoded between two passes of the output.
constexpr std::size_t kBatch = 0x40000;

class Decoder50 : public Decoder {
  public:
    Decoder50(std::size_t windowSize, bool extendedDistances)
        : windowSize_(std::max(windowSize, kMinWindow)), extendedDistances_(extendedDistances) {}

    void Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& out, bool solid) override;

  private:
    void Restart();
    void PrepareWindow(std::uint64_t unpackedSize, bool solid);
    void StartBlock(BitInput& in);
    void DecodeBlocks(BitInput& in, std::uint64_t unpackedSize);
    void DecodeSymbols(BitInput& in, std::uint64_t stopBit, std::uint64_t stopTotal);
    std::uint32_t ReadLength(BitInput& in, unsigned slot) const;
    std::uint64_t ReadDistance(BitInput& in) const;
    void ReadFilter(BitInput& in);

    const std::size_t windowSize_;
    const bool extendedDistances_;
    Window window_;
    FilteredOutput output_;
    CodeTables tables_;
    bool tablesRead_ = false;
    BlockHeader block_;
    std::array<std::uint64_t, 4> oldDistances_{};
    std::uint32_t lastLength_ = 0;
};

void Decoder50::Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& out, bool solid) {
    if (!solid) {
        Restart();
    }
    BitInput in(packed);
    in.Fill(kInputAhead);
    if (in.Empty()) {
        if (unpackedSize != 0) {
            throw DataError("RAR5 data missing");
        }
        return;
    }
    PrepareWindow(unpackedSize, solid);
    output_.Begin(out, window_.Total(), unpackedSize);
    StartBlock(in);
    DecodeBlocks(in, unpackedSize);
    output_.Flush(window_);
    if (!output_.Complete()) {
        throw DataError("RAR5 data ends before the entry does");
    }
}

void Decoder50::Restart() {
    window_.Clear();
    tablesRead_ = false;
    oldDistances_ = {};
    lastLength_ = 0;
}

void Decoder50::PrepareWindow(std::uint64_t unpackedSize, bool solid) {
    // An entry that starts a stream never looks back further than its own
    // size, so a small file does not cost a large dictionary.
    std::size_t size = windowSize_;
    if (!solid && unpackedSize < size) {
        size = kMinWindow;
        while (size < unpackedSize && size <= windowSize_ / 2) {
            size *= 2;
        }
        if (size < unpackedSize || size > windowSize_) {
            size = windowSize_;
        }
    }
    window_.Reserve(size, solid);
}

void Decoder50::StartBlock(BitInput& in) {
    in.Fill(kInputAhead);
    block_ = ReadBlockHeader(in);
    if (block_.tablesPresent) {
        tablesRead_ = false;
        ReadTables(in, extendedDistances_, tables_);
        tablesRead_ = true;
    }
    if (in.Overrun()) {
        throw DataError("RAR5 data truncated");
    }
    if (!tablesRead_) {
        throw DataError("RAR5 data: block without code tables");
    }
}

void Decoder50::DecodeBlocks(BitInput& in, std::uint64_t unpackedSize) {
    const std::uint64_t fileStart = window_.Total();
    const std::size_t batch = std::min(kBatch, window_.Size() / 2);
    for (;;) {
        if (in.Position() >= block_.endBit) {
            if (block_.last) {
                return;
            }
            StartBlock(in);
            continue;
        }
        in.Fill(kInputAhead);
        DecodeSymbols(in, std::min(block_.endBit, in.SafeEnd()), window_.Total() + batch);
        if (in.Overrun()) {
            throw DataError("RAR5 data truncated");
        }
        output_.Flush(window_);
        // Data past the entry's size is never written; stop decoding it.
        if (window_.Total() - fileStart > unpackedSize) {
            return;
        }
    }
}

void Decoder50::DecodeSymbols(BitInput& in, std::uint64_t stopBit, std::uint64_t stopTotal) {
    const std::size_t stop = std::size_t(stopBit - in.BufferStartBit());
    while (in.BufferBit() < stop && window_.Total() < stopTotal) {
        unsigned symbol = tables_.main.Decode(in);
        if (symbol < 256) {
            window_.Put(std::uint8_t(symbol));
            continue;
        }
        if (symbol >= kFirstLengthSymbol) {
            std::uint32_t length = ReadLength(in, symbol - kFirstLengthSymbol);
            std::uint64_t distance = ReadDistance(in);
            // Far matches are never short, so the compressor leaves out
            // lengths they cannot have.
            if (distance > 0x100) {
                length += distance > 0x40000 ? 3 : distance > 0x2000 ? 2 : 1;
            }
            oldDistances_ = {distance, oldDistances_[0], oldDistances_[1], oldDistances_[2]};
            lastLength_ = length;
            window_.Copy(distance, length);
            continue;
        }
        if (symbol == kFilterSymbol) {
            ReadFilter(in);
            continue;
        }
        if (symbol == kRepeatLastSymbol) {
            if (lastLength_ != 0) {
                window_.Copy(oldDistances_[0], lastLength_);
            }
            continue;
        }
        unsigned index = symbol - kRepeatDistanceSymbol;
        std::uint64_t distance = oldDistances_[index];
        for (; index > 0; --index) {
            oldDistances_[index] = oldDistances_[index - 1];
        }
        oldDistances_[0] = distance;
        lastLength_ = ReadLength(in, tables_.length.Decode(in));
        window_.Copy(distance, lastLength_);
    }
}

std::uint32_t Decoder50::ReadLength(BitInput& in, unsigned slot) const {
    if (slot < 8) {
        return 2 + slot;
    }
    unsigned bits = slot / 4 - 1;
    return 2 + ((4 | (slot & 3)) << bits) + in.Read(bits);
}

std::uint64_t Decoder50::ReadDistance(BitInput& in) const {
    unsigned slot = tables_.distance.Decode(in);
    if (slot < 4) {
        return slot + 1;
    }
    unsigned bits = slot / 2 - 1;
    std::uint64_t distance = 1 + (std::uint64_t(2 | (slot & 1)) << bits);
    if (bits < 4) {
        return distance + in.Read(bits);
    }
    if (bits > 4) {
        distance += in.ReadLong(bits - 4) << 4;
    }
    return distance + tables_.lowDistance.Decode(in);
}

void Decoder50::ReadFilter(BitInput& in) {
    auto readNumber = [&in] {
        unsigned bytes = in.Read(2) + 1;
        std::uint32_t value = 0;
        for (unsigned i = 0; i < bytes; ++i) {
            value |= in.Read(8) << (8 * i);
        }
        return value;
    };
    Filter filter;
    std::uint32_t offset = readNumber();
    filter.start = window_.Total() + offset;
    filter.length = readNumber();
    unsigned type = in.Read(3);
    if (type > unsigned(FilterType::Arm)) {
        throw DataError("RAR5 data: unknown filter");
    }
    filter.type = FilterType(type);
    if (filter.type == FilterType::Delta) {
        filter.channels = in.Read(5) + 1;
    }
    output_.AddFilter(filter);
}

} // namespace

std::unique_ptr<Decoder> MakeDecoder50(std::size_t windowSize, bool extendedDistances) {
    return std::make_unique<Decoder50>(windowSize, extendedDistances);
}

} // namespace rar
