// rar_fuzz_seeds OUT_DIR ARCHIVE...: cuts the packed data of every archive's
// compressed entries into inputs for the decoder fuzz target, one file per
// archive and decoder, up to four entries each so that solid chains stay
// together. Archives that cannot be read are passed over.
#include "rar/format/archive.h"
#include "rar/format/status.h"
#include "rar/fuzz/decoder_input.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using rar::fuzz::DecoderKind;

std::optional<DecoderKind> KindFor(unsigned unpackVersion) {
    switch (unpackVersion) {
    case 10:
    case 13:
    case 15:
        return DecoderKind::V15;
    case 20:
    case 26:
        return DecoderKind::V20;
    case 29:
    case 36:
        return DecoderKind::V29;
    default:
        return std::nullopt;
    }
}

struct Cut {
    std::uint32_t unpackedSize;
    bool solid;
    std::vector<std::uint8_t> packed;
};

std::map<DecoderKind, std::vector<Cut>> CutArchive(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    std::map<DecoderKind, std::vector<Cut>> cuts;
    rar::Archive archive(path);
    while (archive.NextEntry()) {
        const rar::Entry& e = archive.Current();
        const auto kind = KindFor(e.unpackVersion);
        if (!kind || e.method == 0 || e.isDirectory || e.encrypted ||
            cuts[*kind].size() == rar::fuzz::kMaxEntries || e.dataOffset > bytes.size())
            continue;
        const std::uint64_t left = bytes.size() - e.dataOffset;
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(
            {e.packedSize, left, std::uint64_t{rar::fuzz::kMaxPackedSize}}));
        const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(e.dataOffset);
        cuts[*kind].push_back({static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                   e.unpackedSize, rar::fuzz::kMaxUnpackedSize)),
                               !cuts[*kind].empty() && e.solid,
                               {from, from + static_cast<std::ptrdiff_t>(size)}});
    }
    return cuts;
}

void WriteSeed(const fs::path& out, DecoderKind kind, const std::vector<Cut>& cuts) {
    rar::fuzz::DecoderInput input;
    input.kind = kind;
    for (const Cut& cut : cuts)
        input.entries.push_back(
            {cut.unpackedSize, cut.solid, cut.packed.data(), cut.packed.size()});
    const std::vector<std::uint8_t> bytes = rar::fuzz::FormatDecoderInput(input);
    std::ofstream(out, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: rar_fuzz_seeds OUT_DIR ARCHIVE...\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);
    for (int i = 2; i < argc; ++i) {
        const fs::path archive = argv[i];
        try {
            for (const auto& [kind, cuts] : CutArchive(archive))
                if (!cuts.empty())
                    WriteSeed(out / (archive.filename().string() + "." +
                                     std::to_string(static_cast<int>(kind))),
                              kind, cuts);
        } catch (const rar::ArchiveError&) {
            continue;
        }
    }
    return 0;
}
