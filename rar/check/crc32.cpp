#include "rar/check/crc32.h"

#include "rar/check/crc32_paths.h"

#include <array>

namespace rar {
namespace crc32_paths {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Slicing-by-8: eight tables let the loop consume eight bytes per step.
void FillTables(Tables& t) {
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (std::size_t s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
}

// Filled on first use rather than by the compiler, which would store all
// 8 KB of them in the file.
const Tables& CrcTables() {
    static Tables tables;
    static const bool kFilled = (FillTables(tables), true);
    static_cast<void>(kFilled);
    return tables;
}

} // namespace

const std::array<std::uint32_t, 256>& ByteTable() {
    return CrcTables()[0];
}

std::uint32_t TableUpdate(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    const Tables& t = CrcTables();
    while (size >= 8) {
        const std::uint32_t lo = crc ^ (data[0] | data[1] << 8 | data[2] << 16 |
                                        static_cast<std::uint32_t>(data[3]) << 24);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
        data += 8;
        size -= 8;
    }
    while (size--)
        crc = (crc >> 8) ^ t[0][(crc ^ *data++) & 0xFF];
    return crc;
}

} // namespace crc32_paths

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    static const bool kFold = crc32_paths::FoldAvailable();
    return ~(kFold ? crc32_paths::FoldUpdate(~crc, data, size)
                   : crc32_paths::TableUpdate(~crc, data, size));
}

std::uint16_t OldChecksum(std::uint16_t sum, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        sum = static_cast<std::uint16_t>(sum + data[i]);
        sum = static_cast<std::uint16_t>(sum << 1 | sum >> 15);
    }
    return sum;
}

} // namespace rar
