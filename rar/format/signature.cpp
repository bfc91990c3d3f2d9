#include "rar/format/signature.h"

#include <algorithm>
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
        return at + mainSize == file.Size();
    const std::size_t headSize = f[10] | f[11] << 8;
    const unsigned nameSize = f[19];
    const unsigned method = f[20];
    return got == sizeof(f) && nameSize > 0 && headSize >= sizeof(f) + nameSize && method <= 5;
}

} // namespace

Signature FindSignature(InputFile& file, std::uint64_t offset) {
    constexpr std::size_t kChunk = 1 << 16;
    std::vector<std::uint8_t> buffer(kChunk + sizeof(kMark50));
    for (std::uint64_t at = offset; at < kMaxSfxSize && at < file.Size(); at += kChunk) {
        const std::size_t got = file.ReadAt(at, buffer.data(), buffer.size());
        const std::uint8_t* const begin = buffer.data();
        const std::uint8_t* const end = begin + std::min(got, kChunk);
        // Every signature starts with 'R': only those bytes need a closer look.
        for (const std::uint8_t* p = begin;
             (p = static_cast<const std::uint8_t*>(std::memchr(p, 'R', end - p))) != nullptr; ++p) {
            const std::uint64_t where = at + static_cast<std::uint64_t>(p - begin);
            const std::size_t left = got - static_cast<std::size_t>(p - begin);
            if (left >= sizeof(kMark50) && std::memcmp(p, kMark50, sizeof(kMark50)) == 0)
                return {Signature::Rar50, where};
            if (left >= sizeof(kMark15) && std::memcmp(p, kMark15, sizeof(kMark15)) == 0)
                return {Signature::Rar15, where};
            if (left >= sizeof(kMark14) && std::memcmp(p, kMark14, sizeof(kMark14)) == 0 &&
                (where == 0 || LooksLikeOldArchive(file, where)))
                return {Signature::Rar14, where};
        }
    }
    return {};
}

} // namespace rar
