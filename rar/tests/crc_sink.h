#pragma once
// Counts unpacked bytes and folds them into a CRC32 instead of keeping them,
// to check an entry against the size and CRC32 its header records.
#include "rar/check/crc32.h"
#include "rar/lz/decoder.h"

#include <cstdint>

namespace rar::test {

struct CrcSink : ByteSink {
    void Write(const std::uint8_t* bytes, std::size_t size) override {
        crc = Crc32(crc, bytes, size);
        count += size;
    }
    std::uint32_t crc = 0;
    std::uint64_t count = 0;
};

} // namespace rar::test
