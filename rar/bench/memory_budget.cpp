#include "rar/bench/memory_budget.h"

#include <algorithm>

namespace rar::bench {

namespace {

constexpr std::uint8_t kPpmdBlock = 0x80;
constexpr std::uint8_t kPpmdNewModel = 0x20;

} // namespace

std::uint64_t WindowNeeded(const Entry& entry, bool solidArchive) {
    if (solidArchive || entry.sizeUnknown)
        return entry.windowSize;
    std::uint64_t needed = 0x40000;
    while (needed < entry.unpackedSize && needed < entry.windowSize)
        needed <<= 1;
    return std::min(needed, entry.windowSize);
}

std::uint64_t DeclaredPpmdModel(std::istream& archive, const Entry& entry) {
    const bool ownStream29 = (entry.unpackVersion == 29 || entry.unpackVersion == 36) &&
                             entry.method != 0 && !entry.solid && entry.packedSize >= 2;
    if (!ownStream29)
        return 0;
    char header[2];
    archive.clear();
    archive.seekg(static_cast<std::streamoff>(entry.dataOffset));
    if (!archive.read(header, sizeof header))
        return 0;
    const auto flags = static_cast<std::uint8_t>(header[0]);
    if ((flags & kPpmdBlock) == 0 || (flags & kPpmdNewModel) == 0)
        return 0;
    return (std::uint64_t{static_cast<std::uint8_t>(header[1])} + 1) << 20;
}

} // namespace rar::bench
