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

// The oldest signature is four printable bytes that an executable in front
// of an archive may hold by chance, so away from the file's start it counts
// only when a sane main header and first file header follow it.
bool LooksLikeOldArchive(InputFile& file, std::uint64_t at) {
    std::uint8_t main[7];
    if (file.ReadAt(at, main, sizeof(main)) < sizeof(main))
        return false;
    const std::size_t mainSize = main[4] | main[5] << 8;
    if (mainSize < sizeof(main))
        return false;
    std::uint8_t f[21];
    const std::size_t got = file.ReadAt(at + mainSize, f, sizeof(f));
    if (got == 0)
        return at + mainSize == file.size();
    const std::size_t headSize = f[10] | f[11] << 8;
    const unsigned nameSize = f[19];
    const unsigned method = f[20];
    return got == sizeof(f) && nameSize > 0 && headSize >= sizeof(f) + nameSize && method <= 5;
}

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
            if (left >= sizeof(kMark14) && std::memcmp(p, kMark14, sizeof(kMark14)) == 0 &&
                (at + i == 0 || LooksLikeOldArchive(file, at + i)))
                return {Signature::Rar14, at + i};
        }
    }
    return {};
}

} // namespace rar
