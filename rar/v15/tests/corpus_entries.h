#pragma once
// The RAR 1.5-method entries of corpus archives, in both containers that carry
// them (RAR 1.4 "RE~^" and RAR 1.5-4.x "Rar!"), found by a small header walk
// so that the decoder can be checked on its own.
#include "rar/v15/tests/memory_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rar::v15::testing {

struct Entry {
    std::string name;
    std::uint64_t size = 0;
    // CRC32 in "Rar!" archives, the 16-bit rotating sum in "RE~^" ones.
    std::uint32_t check = 0;
    bool oldFormat = false;
    bool solid = false;
    std::vector<std::uint8_t> packed;
};

inline std::string CorpusPath(const std::string& relative) {
    return std::string(V15_CORPUS_DIR) + "/" + relative;
}

inline std::uint32_t Le(const std::vector<std::uint8_t>& d, std::size_t at, unsigned bytes) {
    std::uint32_t v = 0;
    for (unsigned i = bytes; i-- > 0;)
        v = v << 8 | d.at(at + i);
    return v;
}

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& d, std::size_t from,
                                       std::size_t size) {
    std::size_t start = std::min(from, d.size());
    std::size_t stop = std::min(d.size(), start + size);
    return {d.begin() + static_cast<std::ptrdiff_t>(start),
            d.begin() + static_cast<std::ptrdiff_t>(stop)};
}

// "RE~^": a 7-byte main header, then per file a 21-byte fixed header, the
// name, and the packed data. In a solid archive every file after the first
// continues the stream.
inline void WalkOldFormat(const std::vector<std::uint8_t>& d, std::vector<Entry>& out) {
    bool solidArchive = (d.at(6) & 0x08) != 0;
    std::size_t pos = Le(d, 4, 2);
    bool first = true;
    while (pos + 21 <= d.size()) {
        std::uint32_t packSize = Le(d, pos, 4);
        std::size_t headSize = Le(d, pos + 10, 2);
        if (headSize < 21)
            break;
        if (d.at(pos + 20) != 0) {
            Entry e;
            e.size = Le(d, pos + 4, 4);
            e.check = Le(d, pos + 8, 2);
            e.name.assign(reinterpret_cast<const char*>(&d.at(pos + 21)), d.at(pos + 19));
            e.oldFormat = true;
            e.solid = solidArchive && !first;
            e.packed = Slice(d, pos + headSize, packSize);
            out.push_back(std::move(e));
        }
        first = false;
        pos += headSize + packSize;
    }
}

// "Rar!": blocks of type, flags and size; file blocks (0x74) carry the unpack
// version at offset 24 and the method at 25.
inline void WalkFormat15(const std::vector<std::uint8_t>& d, std::size_t pos,
                         std::vector<Entry>& out) {
    while (pos + 7 <= d.size()) {
        unsigned type = d[pos + 2];
        std::uint32_t flags = Le(d, pos + 3, 2);
        std::size_t headSize = Le(d, pos + 5, 2);
        std::size_t dataSize = (flags & 0x8000) ? Le(d, pos + 7, 4) : 0;
        if (type == 0x7b || headSize < 7)
            break;
        if (type == 0x74 && d.at(pos + 24) == 15 && d.at(pos + 25) != 0x30) {
            Entry e;
            e.size = Le(d, pos + 11, 4);
            e.check = Le(d, pos + 16, 4);
            e.name.assign(reinterpret_cast<const char*>(&d.at(pos + 32)), Le(d, pos + 26, 2));
            e.solid = (flags & 0x10) != 0;
            e.packed = Slice(d, pos + headSize, dataSize);
            out.push_back(std::move(e));
        }
        pos += headSize + dataSize;
    }
}

// Every compressed entry of the method, in archive order.
inline std::vector<Entry> ReadEntries(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(file)), {});
    std::vector<Entry> entries;
    if (d.size() >= 7 && std::memcmp(d.data(), "RE~^", 4) == 0) {
        WalkOldFormat(d, entries);
        return entries;
    }
    const char marker[] = "Rar!\x1a\x07\x00";
    auto found = std::search(d.begin(), d.end(), marker, marker + 7);
    if (found != d.end())
        WalkFormat15(d, static_cast<std::size_t>(found - d.begin()) + 7, entries);
    return entries;
}

} // namespace rar::v15::testing
