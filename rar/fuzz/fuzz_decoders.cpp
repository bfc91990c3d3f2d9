// libFuzzer entry straight into the decoders of the older methods (1.5, 2.0,
// and 2.9 with its PPMd blocks), past the archive headers, so that every
// mutation lands in packed data. Several entries through one decoder reach
// the solid continuation paths. Seeds: rar_fuzz_seeds cuts them out of
// archives.
#include "rar/fuzz/decoder_input.h"
#include "rar/lz/decoder.h"
#include "rar/v15/decoder15.h"
#include "rar/v20/decoder20.h"
#include "rar/v29/decoder29.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t kWindow = std::size_t{1} << 22;

class SpanSource : public rar::ByteSource {
  public:
    explicit SpanSource(const rar::fuzz::DecoderEntry& entry)
        : data_(entry.packed), left_(entry.packedSize) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        // Short reads, so that refills at odd places are exercised too.
        const std::size_t n = std::min({size, left_, std::size_t{4093}});
        std::copy_n(data_, n, buffer);
        data_ += n;
        left_ -= n;
        return n;
    }

  private:
    const std::uint8_t* data_;
    std::size_t left_;
};

// Counts what the decoder writes: a decode that succeeds must give exactly
// the size asked for.
class CountingSink : public rar::ByteSink {
  public:
    void Write(const std::uint8_t*, std::size_t size) override { written += size; }
    std::uint64_t written = 0;
};

std::unique_ptr<rar::Decoder> MakeDecoder(rar::fuzz::DecoderKind kind) {
    switch (kind) {
    case rar::fuzz::DecoderKind::V15:
        return rar::MakeDecoder15(kWindow);
    case rar::fuzz::DecoderKind::V20:
        return rar::MakeDecoder20(kWindow);
    case rar::fuzz::DecoderKind::V29:
        return rar::MakeDecoder29(kWindow);
    }
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = rar::fuzz::ParseDecoderInput(data, size);
    if (!input)
        return 0;
    std::unique_ptr<rar::Decoder> decoder = MakeDecoder(input->kind);
    for (const rar::fuzz::DecoderEntry& entry : input->entries) {
        SpanSource source(entry);
        CountingSink sink;
        try {
            decoder->Decode(source, entry.unpackedSize, sink, entry.solid);
        } catch (const rar::DataError&) {
            continue;
        } catch (const rar::MemoryError&) {
            continue;
        }
        if (sink.written != entry.unpackedSize)
            std::abort();
    }
    return 0;
}
