#include "rar/tests/corpus_entries.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace rar::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint64_t Le(const Bytes& d, std::size_t at, unsigned bytes) {
    std::uint64_t v = 0;
    for (unsigned i = bytes; i-- > 0;)
        v = v << 8 | d.at(at + i);
    return v;
}

// Clipped to the file, so that a cut-off archive gives a short entry.
Bytes Slice(const Bytes& d, std::size_t from, std::uint64_t size) {
    std::size_t start = std::min(from, d.size());
    std::size_t stop = static_cast<std::size_t>(std::min<std::uint64_t>(d.size(), start + size));
    return {d.begin() + static_cast<std::ptrdiff_t>(start),
            d.begin() + static_cast<std::ptrdiff_t>(stop)};
}

std::string Name(const Bytes& d, std::size_t at, std::size_t size) {
    std::size_t start = std::min(at, d.size());
    return {d.begin() + static_cast<std::ptrdiff_t>(start),
            d.begin() + static_cast<std::ptrdiff_t>(std::min(d.size(), start + size))};
}

// "RE~^": a main header of the size at offset 4, then per file a 21-byte fixed
// header, the name, and the packed data. In a solid archive every file after
// the first continues the stream.
void WalkOldFormat(const Bytes& d, std::vector<CorpusEntry>& out) {
    bool solidArchive = (d.at(6) & 0x08) != 0;
    std::size_t pos = static_cast<std::size_t>(Le(d, 4, 2));
    bool first = true;
    while (pos + 21 <= d.size()) {
        std::uint64_t packSize = Le(d, pos, 4);
        auto headSize = static_cast<std::size_t>(Le(d, pos + 10, 2));
        if (headSize < 21)
            break;
        CorpusEntry e;
        e.oldFormat = true;
        e.unpackedSize = Le(d, pos + 4, 4);
        e.check = static_cast<std::uint32_t>(Le(d, pos + 8, 2));
        e.stored = d[pos + 20] == 0;
        e.name = Name(d, pos + 21, d[pos + 19]);
        e.solid = solidArchive && !first;
        e.packed = Slice(d, pos + headSize, packSize);
        out.push_back(std::move(e));
        first = false;
        if (headSize > d.size() - pos || packSize > d.size() - pos - headSize)
            break;
        pos += headSize + packSize;
    }
}

// "Rar!": blocks of type, flags and size; file blocks (0x74) carry the unpack
// version at offset 24, the method at 25 and, with flag 0x100, the high
// halves of both sizes before the name.
void WalkRarBlocks(const Bytes& d, std::size_t pos, std::vector<CorpusEntry>& out) {
    while (pos + 7 <= d.size()) {
        unsigned type = d[pos + 2];
        auto flags = static_cast<std::uint32_t>(Le(d, pos + 3, 2));
        auto headSize = static_cast<std::size_t>(Le(d, pos + 5, 2));
        std::uint64_t dataSize = (flags & 0x8000) ? Le(d, pos + 7, 4) : 0;
        if (type == 0x7b || headSize < 7)
            break;
        if (type == 0x74) {
            bool large = (flags & 0x100) != 0;
            if (large)
                dataSize |= Le(d, pos + 32, 4) << 32;
            CorpusEntry e;
            e.unpackedSize = Le(d, pos + 11, 4) | (large ? Le(d, pos + 36, 4) << 32 : 0);
            e.check = static_cast<std::uint32_t>(Le(d, pos + 16, 4));
            e.version = d.at(pos + 24);
            e.stored = d.at(pos + 25) == 0x30;
            e.name = Name(d, pos + (large ? 40 : 32), static_cast<std::size_t>(Le(d, pos + 26, 2)));
            e.directory = (flags & 0xe0) == 0xe0;
            e.solid = (flags & 0x10) != 0;
            e.window = std::size_t{0x10000} << ((flags >> 5) & 7);
            e.packed = Slice(d, pos + headSize, dataSize);
            out.push_back(std::move(e));
        }
        if (headSize > d.size() - pos || dataSize > d.size() - pos - headSize)
            break;
        pos += headSize + dataSize;
    }
}

} // namespace

std::string CorpusPath(const std::string& relative) {
    return std::string(RAR_CORPUS_DIR) + "/" + relative;
}

std::vector<CorpusEntry> ReadCorpusEntries(const std::string& path,
                                           const std::function<bool(const CorpusEntry&)>& wants) {
    std::ifstream file(path, std::ios::binary);
    Bytes d((std::istreambuf_iterator<char>(file)), {});
    std::vector<CorpusEntry> entries;
    if (d.size() >= 7 && std::memcmp(d.data(), "RE~^", 4) == 0) {
        WalkOldFormat(d, entries);
    } else {
        const char marker[] = "Rar!\x1a\x07\x00";
        auto found = std::search(d.begin(), d.end(), marker, marker + 7);
        if (found != d.end())
            WalkRarBlocks(d, static_cast<std::size_t>(found - d.begin()) + 7, entries);
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const CorpusEntry& e) { return !wants(e); }),
                  entries.end());
    return entries;
}

} // namespace rar::test
