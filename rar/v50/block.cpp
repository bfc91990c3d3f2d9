#include "rar/v50/block.h"

#include <algorithm>
#include <array>

namespace rar::v50 {

namespace {

constexpr unsigned kLengthCodeSymbols = 20;

// The lengths of the 20-symbol code that the main lengths are coded with:
// 4 bits each, where 15 followed by a nonzero count n stands for n+2 zeros.
SmallCode ReadLengthCode(BitInput& in) {
    std::array<std::uint8_t, kLengthCodeSymbols> lengths{};
    for (unsigned i = 0; i < kLengthCodeSymbols;) {
        std::uint8_t length = std::uint8_t(in.Read(4));
        if (length == 15) {
            unsigned zeros = in.Read(4);
            if (zeros != 0) {
                for (zeros += 2; zeros > 0 && i < kLengthCodeSymbols; --zeros) {
                    lengths[i++] = 0;
                }
                continue;
            }
        }
        lengths[i++] = length;
    }
    SmallCode code;
    code.Build(lengths.data(), kLengthCodeSymbols);
    return code;
}

} // namespace

BlockHeader ReadBlockHeader(BitInput& in) {
    in.AlignToByte();
    unsigned flags = in.Read(8);
    unsigned checksum = in.Read(8);
    unsigned sizeBytes = ((flags >> 3) & 3) + 1;
    if (sizeBytes == 4) {
        throw DataError("RAR5 data: bad block header");
    }
    std::uint64_t size = 0;
    unsigned check = 0x5a ^ flags;
    for (unsigned i = 0; i < sizeBytes; ++i) {
        unsigned byte = in.Read(8);
        size |= std::uint64_t(byte) << (8 * i);
        check ^= byte;
    }
    if (check != checksum) {
        throw DataError("RAR5 data: block header checksum mismatch");
    }
    BlockHeader header;
    header.endBit = in.Position() + size * 8 - 8 + ((flags & 7) + 1);
    header.last = (flags & 0x40) != 0;
    header.tablesPresent = (flags & 0x80) != 0;
    return header;
}

void ReadTables(BitInput& in, bool extendedDistances, CodeTables& tables) {
    SmallCode lengthCode = ReadLengthCode(in);
    unsigned distanceSymbols = extendedDistances ? kExtendedDistanceSymbols : kDistanceSymbols;
    unsigned total = kMainSymbols + distanceSymbols + kLowDistanceSymbols + kLengthSymbols;
    std::array<std::uint8_t,
               kMainSymbols + kExtendedDistanceSymbols + kLowDistanceSymbols + kLengthSymbols>
        lengths{};
    for (unsigned i = 0; i < total;) {
        unsigned symbol = lengthCode.Decode(in);
        if (symbol < 16) {
            lengths[i++] = std::uint8_t(symbol);
            continue;
        }
        bool shortRun = (symbol & 1) == 0;
        unsigned run = shortRun ? in.Read(3) + 3 : in.Read(7) + 11;
        std::uint8_t value = 0;
        if (symbol < 18) {
            if (i == 0) {
                throw DataError("RAR5 data: length table repeats before its first length");
            }
            value = lengths[i - 1];
        }
        for (; run > 0 && i < total; --run) {
            lengths[i++] = value;
        }
    }
    const std::uint8_t* p = lengths.data();
    tables.main.Build(p, kMainSymbols);
    tables.distance.Build(p + kMainSymbols, distanceSymbols);
    tables.lowDistance.Build(p + kMainSymbols + distanceSymbols, kLowDistanceSymbols);
    tables.length.Build(p + kMainSymbols + distanceSymbols + kLowDistanceSymbols, kLengthSymbols);
}

} // namespace rar::v50
