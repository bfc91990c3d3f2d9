#pragma once
// One archive member as its header describes it, the same for both formats.
#include <array>
#include <cstdint>
#include <string>

namespace rar {

enum class Format { Rar14, Rar15, Rar50 };

// Where a link entry points; the numbers are the API's redirection types.
enum class LinkKind {
    None = 0,
    UnixSymlink = 1,
    WindowsSymlink = 2,
    Junction = 3,
    HardLink = 4,
    FileCopy = 5
};

enum class HostOs { MsDos = 0, Os2 = 1, Windows = 2, Unix = 3, MacOs = 4, BeOs = 5 };

struct Entry {
    // UTF-8 (raw bytes where the archive held no valid text), '/' between
    // components, exactly as stored otherwise: not yet made safe.
    std::string name;
    bool isDirectory = false;
    std::uint64_t packedSize = 0;
    std::uint64_t unpackedSize = 0;
    bool sizeUnknown = false;
    HostOs hostOs = HostOs::MsDos;
    std::uint32_t attributes = 0;
    std::uint32_t dosTime = 0;
    // Unpack version: 10 or 13 in the oldest format; 15, 20, 26, 29, 36;
    // 50 or 70.
    unsigned unpackVersion = 0;
    unsigned method = 0; // 0 stored .. 5 best
    std::uint64_t windowSize = 0;
    bool solid = false; // continues the previous entry's compression state
    bool encrypted = false;
    bool splitBefore = false;
    bool splitAfter = false;
    bool hasCrc = false;
    std::uint32_t crc = 0;
    // The oldest format's 16-bit rotating sum, kept in `crc`.
    bool hasOldChecksum = false;
    bool hasBlake2 = false;
    std::array<std::uint8_t, 32> blake2{};
    LinkKind link = LinkKind::None;
    // For RAR 5 links, as stored; older Unix symlinks keep theirs in the data.
    std::string linkTarget;
    bool linkTargetIsDirectory = false;
    std::uint64_t dataOffset = 0;
};

// Archive-wide facts from the main header.
struct ArchiveInfo {
    Format format = Format::Rar15;
    bool volume = false;
    bool firstVolume = false;
    bool solid = false;
    bool locked = false;
    bool hasRecovery = false;
    bool hasComment = false;
    bool newNumbering = false;
    std::uint64_t sfxSize = 0; // bytes in front of the signature
};

} // namespace rar
