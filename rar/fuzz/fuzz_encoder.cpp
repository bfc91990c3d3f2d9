// libFuzzer entry that packs input with the 2.9 encoder and checks that our
// decoder gives it back, and that packing the same input again gives the same
// bytes. The first byte chooses the settings, how many entries of one stream
// there are, whether they continue one another, whether their bytes are
// handed over in pieces, and what the rest of the input is:
//   raw: the entries' bytes, cut into equal parts;
//   recipe: three bytes a step that grow the entries from the shapes real
//   payloads have (text, Pascal sources, x86 code, tables, random data, runs,
//   spoilt text, copies of what came before) or end an entry, so that a few bytes of
//   input reach streams of hundreds of kilobytes with blocks of every kind.
#include "rar/encode/encoder29.h"
#include "rar/encode/tests/generated_inputs.h"
#include "rar/lz/decoder.h"
#include "rar/tests/pascal_text.h"
#include "rar/v29/decoder29.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class SpanSource : public rar::ByteSource {
  public:
    explicit SpanSource(const Bytes& bytes) : bytes_(bytes) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, bytes_.size() - pos_);
        if (n != 0)
            std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }

  private:
    const Bytes& bytes_;
    std::size_t pos_ = 0;
};

// Compares what the decoder writes with the input, as it comes.
class CheckingSink : public rar::ByteSink {
  public:
    explicit CheckingSink(const Bytes& expected) : expected_(expected) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        if (written + size > expected_.size() ||
            std::memcmp(data, expected_.data() + written, size) != 0)
            std::abort();
        written += size;
    }
    std::size_t written = 0;

  private:
    const Bytes& expected_;
};

// The whole stream stays small enough for many runs a minute under the
// sanitizers; pieces of 70,001 bytes put piece ends well inside it.
constexpr std::size_t kMaxStream = 1 << 19;

std::vector<Bytes> RawEntries(const std::uint8_t* data, std::size_t size, std::size_t entries) {
    std::vector<Bytes> out;
    for (std::size_t i = 0; i < entries; ++i)
        out.emplace_back(data + size * i / entries, data + size * (i + 1) / entries);
    return out;
}

Bytes Shape(unsigned kind, std::size_t length, unsigned seed, const Bytes& before) {
    using namespace rar::encode::test;
    switch (kind) {
    case 0:
        return Text(length, seed);
    case 1:
        return rar::test::PascalText(seed).Make(length);
    case 2:
        return Code(length, seed);
    case 3:
        return Table(length, seed);
    case 4:
        return Random(length, seed);
    case 5:
        return Run(length, static_cast<std::uint8_t>(seed));
    case 6: { // Pascal with every fourth byte spoilt: short copies, old distances
        Bytes spoilt = rar::test::PascalText(seed).Make(length);
        for (std::size_t i = 0; i < spoilt.size(); i += 4)
            spoilt[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
        return spoilt;
    }
    default: { // a copy of earlier bytes of the stream, seed steps back
        if (before.empty())
            return Text(length, seed);
        const std::size_t from = before.size() - 1 - (seed * 4099u) % before.size();
        Bytes copy(before.begin() + static_cast<std::ptrdiff_t>(from), before.end());
        copy.resize(std::min(copy.size(), length));
        return copy;
    }
    }
}

std::vector<Bytes> RecipeEntries(const std::uint8_t* data, std::size_t size) {
    std::vector<Bytes> out(1);
    Bytes stream;
    std::size_t total = 0;
    for (std::size_t at = 0; at + 3 <= size && total < kMaxStream; at += 3) {
        const unsigned kind = data[at] & 7;
        if (data[at] & 8) {
            out.emplace_back();
            continue;
        }
        // 1 byte to 128 KB.
        const unsigned shift = (data[at] >> 4) * 9u / 15u;
        const std::size_t length =
            std::min<std::size_t>(std::size_t{data[at + 1] + 1u} << shift, kMaxStream - total);
        const Bytes piece = Shape(kind, length, data[at + 2], stream);
        out.back().insert(out.back().end(), piece.begin(), piece.end());
        stream.insert(stream.end(), piece.begin(), piece.end());
        total += piece.size();
    }
    return out;
}

// Packs `entries` as one stream (or each alone), handing each over whole or
// in pieces of odd sizes, and gives each entry's packed bytes.
std::deque<Bytes> Pack(const rar::encode::Settings29& settings, const std::vector<Bytes>& entries,
                       bool solid, bool inPieces) {
    rar::encode::Encoder29 encoder(settings);
    const std::size_t pieces[] = {70001, 1, 4096, 300000, 259};
    std::size_t turn = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Bytes& entry = entries[i];
        encoder.StartEntry(entry.size(), solid && i > 0);
        for (std::size_t at = 0; at < entry.size();) {
            const std::size_t size =
                inPieces ? std::min(pieces[turn++ % 5], entry.size() - at) : entry.size();
            encoder.AddData(entry.data() + at, size);
            at += size;
        }
    }
    encoder.Finish();
    return std::move(encoder.Finished());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    ++data;
    --size;
    const rar::encode::Settings29 tiny = {4, 16, 8, 50};
    const rar::encode::Settings29 tinyPpmd = {4, 16, 8, 50, 1};
    // The best level's search with a model small enough to copy for every
    // block's trial many times a second, and to fill up and start over.
    rar::encode::Settings29 best = rar::encode::kBest29;
    best.ppmdMegabytes = 2;
    const rar::encode::Settings29 settings[] = {rar::encode::kDefault29, best, tiny, tinyPpmd};
    const rar::encode::Settings29& chosen = settings[(control >> 2) % 4];
    const bool solid = control & 0x80;
    const bool recipe = control & 0x40;
    const bool inPieces = control & 0x20;
    const std::vector<Bytes> entries =
        recipe ? RecipeEntries(data, size) : RawEntries(data, size, (control & 3) + 1);

    const std::deque<Bytes> packed = Pack(chosen, entries, solid, inPieces);
    if (packed.size() != entries.size())
        std::abort();
    auto decoder = rar::MakeDecoder29(rar::encode::Encoder29::kWindow);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SpanSource source(packed[i]);
        CheckingSink sink(entries[i]);
        decoder->Decode(source, entries[i].size(), sink, solid && i > 0);
        if (sink.written != entries[i].size())
            std::abort();
    }
    if (Pack(chosen, entries, solid, inPieces) != packed)
        std::abort();
    return 0;
}
