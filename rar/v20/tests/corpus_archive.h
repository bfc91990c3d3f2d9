#pragma once
// The RAR 2.0 entries of a corpus archive (RAR 1.5-4.x headers), located by a
// small header walk so that the decoder can be checked on its own against
// the sizes and CRC32s the archiver recorded.
#include "rar/crc32.h"
#include "rar/decoder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rar::v20::testing {

struct PackedEntry {
    std::string name;
    std::uint64_t unpackedSize = 0;
    std::uint32_t crc = 0;
    bool solid = false;
    std::size_t window = 0;
    std::vector<std::uint8_t> packed;
};

inline std::uint64_t LittleEndian(const std::vector<std::uint8_t>& d, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes; i-- > 0;)
        v = v << 8 | d.at(at + static_cast<std::size_t>(i));
    return v;
}

inline std::string CorpusPath(const std::string& relative) {
    return std::string(V20_CORPUS_DIR) + "/" + relative;
}

// Every compressed file entry of unpack version 20 or 26, in archive order.
inline std::vector<PackedEntry> ReadV20Entries(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(file)), {});
    const char marker[] = "Rar!\x1a\x07\x00";
    auto found = std::search(d.begin(), d.end(), marker, marker + 7);
    std::size_t pos = static_cast<std::size_t>(found - d.begin()) + 7;
    std::vector<PackedEntry> entries;
    while (pos + 7 <= d.size()) {
        unsigned type = d[pos + 2];
        auto flags = static_cast<std::uint32_t>(LittleEndian(d, pos + 3, 2));
        auto headSize = static_cast<std::size_t>(LittleEndian(d, pos + 5, 2));
        std::uint64_t dataSize = (flags & 0x8000) ? LittleEndian(d, pos + 7, 4) : 0;
        if (type == 0x7b || headSize < 7)
            break;
        bool directory = (flags & 0xe0) == 0xe0;
        unsigned version = d.at(pos + 24);
        if (type == 0x74 && !directory && d.at(pos + 25) != 0x30 &&
            (version == 20 || version == 26)) {
            PackedEntry e;
            bool large = (flags & 0x100) != 0;
            e.unpackedSize = LittleEndian(d, pos + 11, 4);
            if (large) {
                dataSize |= LittleEndian(d, pos + 32, 4) << 32;
                e.unpackedSize |= LittleEndian(d, pos + 36, 4) << 32;
            }
            e.crc = static_cast<std::uint32_t>(LittleEndian(d, pos + 16, 4));
            std::size_t nameAt = pos + (large ? 40 : 32);
            e.name.assign(reinterpret_cast<const char*>(&d.at(nameAt)),
                          LittleEndian(d, pos + 26, 2));
            e.solid = (flags & 0x10) != 0;
            e.window = std::size_t{0x10000} << ((flags >> 5) & 7);
            std::size_t start = std::min(d.size(), pos + headSize);
            std::size_t stop = std::min<std::uint64_t>(d.size(), start + dataSize);
            e.packed.assign(d.begin() + static_cast<std::ptrdiff_t>(start),
                            d.begin() + static_cast<std::ptrdiff_t>(stop));
            entries.push_back(std::move(e));
        }
        pos += headSize + dataSize;
    }
    return entries;
}

struct VectorSource : ByteSource {
    explicit VectorSource(const std::vector<std::uint8_t>& bytes, std::size_t chunk = 1 << 20)
        : data(bytes), chunk(chunk) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        std::size_t take = std::min({size, chunk, data.size() - pos});
        if (take != 0)
            std::memcpy(buffer, data.data() + pos, take);
        pos += take;
        return take;
    }
    const std::vector<std::uint8_t>& data;
    std::size_t chunk;
    std::size_t pos = 0;
};

struct CrcSink : ByteSink {
    void Write(const std::uint8_t* bytes, std::size_t size) override {
        crc = Crc32(crc, bytes, size);
        count += size;
    }
    std::uint32_t crc = 0;
    std::uint64_t count = 0;
};

} // namespace rar::v20::testing
