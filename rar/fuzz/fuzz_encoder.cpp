// libFuzzer entry that packs arbitrary input with the 2.9 encoder and checks
// that our decoder gives it back. The first byte chooses the settings and
// into how many entries of one stream the rest is cut.
#include "rar/encode/encoder29.h"
#include "rar/lz/decoder.h"
#include "rar/v29/decoder29.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class SpanSource : public rar::ByteSource {
  public:
    explicit SpanSource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, bytes_.size() - pos_);
        if (n != 0)
            std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_ = 0;
};

// Compares what the decoder writes with the input, as it comes.
class CheckingSink : public rar::ByteSink {
  public:
    explicit CheckingSink(const std::uint8_t* expected) : expected_(expected) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        if (std::memcmp(data, expected_ + written, size) != 0)
            std::abort();
        written += size;
    }
    std::size_t written = 0;

  private:
    const std::uint8_t* expected_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    ++data;
    --size;
    const rar::encode::Settings29 tiny = {4, 16, 8, 50};
    const rar::encode::Settings29 tinyPpmd = {4, 16, 8, 50, 1};
    const rar::encode::Settings29 settings[] = {rar::encode::kDefault29, rar::encode::kBest29, tiny,
                                                tinyPpmd};
    const bool solid = control & 0x80;
    const std::size_t entries = (control & 3) + 1;

    rar::encode::Encoder29 encoder(settings[(control >> 2) % 4]);
    std::vector<std::size_t> bounds;
    for (std::size_t i = 0; i <= entries; ++i)
        bounds.push_back(size * i / entries);
    for (std::size_t i = 0; i < entries; ++i)
        encoder.AddEntry(data + bounds[i], bounds[i + 1] - bounds[i], solid && i > 0);
    encoder.Finish();

    auto decoder = rar::MakeDecoder29(rar::encode::Encoder29::kWindow);
    auto& packed = encoder.Finished();
    if (packed.size() != entries)
        std::abort();
    for (std::size_t i = 0; i < entries; ++i) {
        SpanSource source(packed[i]);
        CheckingSink sink(data + bounds[i]);
        decoder->Decode(source, bounds[i + 1] - bounds[i], sink, solid && i > 0);
        if (sink.written != bounds[i + 1] - bounds[i])
            std::abort();
    }
    return 0;
}
