#include "rar/header_walker.h"

#include <cstring>
#include <vector>

namespace rar {
namespace {

// Self-extracting modules in use are well under this size.
constexpr std::uint64_t kMaxSfxSize = 16u << 20;
constexpr std::uint8_t kMark15[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::uint8_t kMark50[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr std::uint8_t kMark14[] = {'R', 'E', '~', '^'};

} // namespace

Signature FindSignature(InputFile& file, std::uint64_t offset) {
    constexpr std::size_t kChunk = 1 << 16;
    std::vector<std::uint8_t> buffer(kChunk + sizeof(kMark50));
    for (std::uint64_t at = offset; at < kMaxSfxSize && at < file.size(); at += kChunk) {
        std::size_t got = file.ReadAt(at, buffer.data(), buffer.size());
        for (std::size_t i = 0; i < got && i < kChunk; ++i) {
            const std::uint8_t* p = buffer.data() + i;
            std::size_t left = got - i;
            if (left >= sizeof(kMark50) && std::memcmp(p, kMark50, sizeof(kMark50)) == 0)
                return {Signature::Rar50, at + i};
            if (left >= sizeof(kMark15) && std::memcmp(p, kMark15, sizeof(kMark15)) == 0)
                return {Signature::Rar15, at + i};
            // The oldest format has no self-extracting form worth finding.
            if (at + i == 0 && left >= sizeof(kMark14) &&
                std::memcmp(p, kMark14, sizeof(kMark14)) == 0)
                return {Signature::Rar14, 0};
        }
    }
    return {};
}

} // namespace rar
