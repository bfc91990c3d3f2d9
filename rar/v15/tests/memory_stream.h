#pragma once
// Packed bytes served from memory in pieces of a chosen size, and unpacked
// bytes collected in memory.
#include "rar/decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace rar::v15::testing {

struct MemorySource : ByteSource {
    MemorySource(const std::vector<std::uint8_t>& bytes, std::size_t piece)
        : data(bytes), piece(piece) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        std::size_t take = std::min({size, piece, data.size() - pos});
        if (take != 0)
            std::memcpy(buffer, data.data() + pos, take);
        pos += take;
        return take;
    }
    const std::vector<std::uint8_t>& data;
    std::size_t piece;
    std::size_t pos = 0;
};

struct MemorySink : ByteSink {
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<std::uint8_t> bytes;
};

} // namespace rar::v15::testing
