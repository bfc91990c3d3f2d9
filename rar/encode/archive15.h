#pragma once
// Writes the blocks of a RAR 1.5-4.x archive, as format/headers15.cpp reads
// them. The builder writes setup payloads with it; the tests write archives
// of any shape with it, damaged ones included.
//
//   marker   "Rar!" 1A 07 00
//   block    u16 crc      low half of the CRC-32 of everything after it
//            u8  type     73 main, 74 file, 7B end
//            u16 flags    8000: a data area follows the header
//            u16 size     of the header, these seven bytes included
//            body
//   main     6 reserved bytes
//   file     u32 packed size, u32 unpacked size, u8 host OS, u32 CRC-32 of
//            the unpacked data, u32 DOS time, u8 version, u8 method,
//            u16 name size, u32 attributes, name; the packed data follows
//   end      no body; flag 4000 set
#include <cstdint>
#include <string>
#include <vector>

namespace rar::encode {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kMarker15[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};

enum BlockType15 : std::uint8_t { kMainBlock15 = 0x73, kFileBlock15 = 0x74, kEndBlock15 = 0x7B };

inline constexpr std::uint16_t kLongBlock15 = 0x8000;
inline constexpr std::uint16_t kEndFlags15 = 0x4000;
// The largest name a file header has room for.
inline constexpr std::size_t kMaxName15 = 0xFFFF - 32;

struct FileHeader15 {
    std::string name; // as stored: '\' between folders for Windows hosts
    std::uint32_t packedSize = 0;
    std::uint32_t unpackedSize = 0;
    std::uint32_t crc = 0; // of the unpacked data
    std::uint32_t dosTime = 0;
    std::uint16_t flags = 0; // kLongBlock15 is always added
    std::uint8_t hostOs = 2; // Windows
    std::uint8_t version = 20;
    std::uint8_t method = 0x30; // stored
    std::uint32_t attributes = 0x20;
};

// A whole block with its checksum; the body's size is not checked.
Bytes Block15(std::uint8_t type, std::uint16_t flags, const Bytes& body);
Bytes MainBlock15(std::uint16_t flags);
// Throws std::length_error for a name longer than kMaxName15.
Bytes FileBlock15(const FileHeader15& header);
Bytes EndBlock15();

} // namespace rar::encode
