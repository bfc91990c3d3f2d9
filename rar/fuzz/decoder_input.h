#pragma once
// The byte layout the decoder fuzz target reads, and the seeds written in it:
//   byte 0: decoder (bits 0-1: 1.5, 2.0, 2.9, 2.0 again) and entry count - 1
//   (bits 2-3);
//   per entry: 3 bytes unpacked size (little-endian), 1 byte solid flag (bit
//   0; ignored on the first entry), 2 bytes packed size (little-endian);
//   then the entries' packed bytes, one after the other. The last entry
//   takes whatever is left; an entry's packed size is cut to what is left.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace rar::fuzz {

enum class DecoderKind { V15, V20, V29 };

struct DecoderEntry {
    std::uint32_t unpackedSize = 0;
    bool solid = false;
    const std::uint8_t* packed = nullptr;
    std::size_t packedSize = 0;
};

struct DecoderInput {
    DecoderKind kind = DecoderKind::V15;
    std::vector<DecoderEntry> entries;
};

constexpr std::size_t kMaxEntries = 4;
// Entries unpack to at most this, so that no unit takes long.
constexpr std::uint32_t kMaxUnpackedSize = 0x3ffff;
constexpr std::size_t kMaxPackedSize = 0xffff;

// Nothing when the input is too short for its own entry table. The entries
// point into `data`.
std::optional<DecoderInput> ParseDecoderInput(const std::uint8_t* data, std::size_t size);

// The bytes ParseDecoderInput reads back as `input`; entries beyond
// kMaxEntries are dropped, sizes cut to the limits above.
std::vector<std::uint8_t> FormatDecoderInput(const DecoderInput& input);

} // namespace rar::fuzz
