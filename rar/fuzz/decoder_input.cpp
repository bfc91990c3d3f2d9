#include "rar/fuzz/decoder_input.h"

#include <algorithm>

namespace rar::fuzz {
namespace {

constexpr std::size_t kTableBytes = 6;

DecoderKind KindFromBits(unsigned bits) {
    switch (bits & 3) {
    case 0:
        return DecoderKind::V15;
    case 2:
        return DecoderKind::V29;
    default:
        return DecoderKind::V20;
    }
}

unsigned BitsFromKind(DecoderKind kind) {
    switch (kind) {
    case DecoderKind::V15:
        return 0;
    case DecoderKind::V20:
        return 1;
    case DecoderKind::V29:
        return 2;
    }
    return 0;
}

} // namespace

std::optional<DecoderInput> ParseDecoderInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return std::nullopt;
    const std::size_t count = ((data[0] >> 2) & 3) + 1;
    std::size_t at = 1 + count * kTableBytes;
    if (size < at)
        return std::nullopt;
    DecoderInput input;
    input.kind = KindFromBits(data[0]);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* f = data + 1 + i * kTableBytes;
        DecoderEntry entry;
        entry.unpackedSize =
            static_cast<std::uint32_t>(f[0] | f[1] << 8 | f[2] << 16) & kMaxUnpackedSize;
        entry.solid = i != 0 && (f[3] & 1) != 0;
        const std::size_t left = size - at;
        const auto stated = static_cast<std::size_t>(f[4] | f[5] << 8);
        entry.packedSize = i + 1 == count ? left : std::min(stated, left);
        entry.packed = data + at;
        at += entry.packedSize;
        input.entries.push_back(entry);
    }
    return input;
}

std::vector<std::uint8_t> FormatDecoderInput(const DecoderInput& input) {
    const std::size_t count = std::min(input.entries.size(), kMaxEntries);
    if (count == 0)
        return {};
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> packed;
    table.push_back(static_cast<std::uint8_t>(BitsFromKind(input.kind) | (count - 1) << 2));
    for (std::size_t i = 0; i < count; ++i) {
        const DecoderEntry& e = input.entries[i];
        const std::uint32_t unpacked = std::min(e.unpackedSize, kMaxUnpackedSize);
        const std::size_t size = std::min(e.packedSize, kMaxPackedSize);
        for (unsigned shift = 0; shift < 24; shift += 8)
            table.push_back(static_cast<std::uint8_t>(unpacked >> shift));
        table.push_back(e.solid ? 1 : 0);
        table.push_back(static_cast<std::uint8_t>(size));
        table.push_back(static_cast<std::uint8_t>(size >> 8));
        packed.insert(packed.end(), e.packed, e.packed + size);
    }
    table.insert(table.end(), packed.begin(), packed.end());
    return table;
}

} // namespace rar::fuzz
