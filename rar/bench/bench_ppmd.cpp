// The PPMd encoder's ratio and speed, and the model's decoding speed, on
// generated Pascal-like source or on a file.
//   rar_ppmd_bench SIZE|FILE [ORDER MEGABYTES [TEXT_OUT]]
//       prints "bytes packed bits/byte encode-MB/s decode-MB/s" (CPU time,
//       best of three passes each); TEXT_OUT receives the generated text, so
//       that other compressors can be run on the same bytes.
#include "rar/ppmd/encoder.h"
#include "rar/tests/pascal_text.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Input(const std::string& what) {
    std::ifstream file(what, std::ios::binary);
    if (file)
        return Bytes(std::istreambuf_iterator<char>(file), {});
    return rar::test::PascalText(1).Make(std::strtoul(what.c_str(), nullptr, 10));
}

class Packed final : public rar::ppmd::BytePuller {
  public:
    explicit Packed(const Bytes& bytes) : bytes_(bytes) {}
    std::uint8_t Next() override { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }

  private:
    const Bytes& bytes_;
    std::size_t pos_ = 0;
};

template <class Pass> double FastestSeconds(Pass pass) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        std::clock_t start = std::clock();
        pass();
        best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: rar_ppmd_bench SIZE|FILE [ORDER MEGABYTES [TEXT_OUT]]\n");
        return 2;
    }
    const Bytes text = Input(argv[1]);
    rar::ppmd::EncoderParams params;
    if (argc >= 4)
        params = {static_cast<unsigned>(std::atoi(argv[2])),
                  static_cast<unsigned>(std::atoi(argv[3]))};
    if (argc == 5)
        std::ofstream(argv[4], std::ios::binary)
            .write(reinterpret_cast<const char*>(text.data()), text.size());

    Bytes packed;
    double encode = FastestSeconds([&] {
        packed.clear();
        rar::ppmd::Encoder encoder(params);
        encoder.WriteBlock(text.data(), text.size(), rar::ppmd::BlockEnd::EntryEnds, packed);
    });
    Bytes decoded(text.size());
    double decode = FastestSeconds([&] {
        Packed in(packed);
        rar::ppmd::Model model;
        std::uint8_t escape = 2;
        model.StartBlock(in, escape);
        for (auto& byte : decoded) {
            byte = model.DecodeByte();
            // The escape byte itself comes as escape, 1.
            if (byte == escape)
                model.DecodeByte();
        }
    });
    if (decoded != text) {
        std::fprintf(stderr, "decoded bytes differ from the input\n");
        return 1;
    }
    std::printf("%zu %zu %.3f %.2f %.2f\n", text.size(), packed.size(),
                8.0 * static_cast<double>(packed.size()) / static_cast<double>(text.size()),
                static_cast<double>(text.size()) / encode / 1e6,
                static_cast<double>(text.size()) / decode / 1e6);
}
