#include "rar/encode/filters29.h"

#include "rar/encode/bit_writer.h"
#include "rar/encode/filter_program.h"

#include <algorithm>
#include <array>

namespace rar::encode {

using v29::FilterKind;

namespace {

// Call targets within this many bytes of the call are made absolute; the
// decoder takes the same bound as the file size.
constexpr std::int64_t kFileSize = 0x1000000;

// Code when at least one byte in 256 starts a near call and most E8 bytes
// do: text has no E8 at all, random data rarely a near one. A call's 32-bit
// displacement to somewhere in the same program starts with 00 (forward) or
// FF (backward) in its top byte; after a random E8 that happens once in 128
// times.
bool LooksLikeCode(const std::uint8_t* data, std::size_t size) {
    std::size_t calls = 0;
    std::size_t near = 0;
    for (std::size_t pos = 0; pos + 4 < size; ++pos)
        if (data[pos] == 0xe8) {
            ++calls;
            near += data[pos + 4] == 0 || data[pos + 4] == 0xff;
        }
    return near * 256 >= size && near * 2 >= calls;
}

// log2(n) in sixteenths, the fraction linear between powers of two: the
// same integers on every machine.
std::uint64_t Log2Sixteenths(std::uint32_t n) {
    const unsigned top = 31u - static_cast<unsigned>(__builtin_clz(n));
    const std::uint32_t fraction = top >= 4 ? (n >> (top - 4)) & 15 : (n << (4 - top)) & 15;
    return top * 16u + fraction;
}

// What an order-0 code of the bytes would cost, in sixteenths of a bit.
std::uint64_t OrderZeroCost(const std::array<std::uint32_t, 256>& counts, std::uint32_t total) {
    std::uint64_t cost = 0;
    for (std::uint32_t count : counts)
        if (count != 0)
            cost += count * (Log2Sixteenths(total) - Log2Sixteenths(count));
    return cost;
}

// The record size at which differences cost at most three quarters of the
// bytes, the cheapest of 1..4; 0 when none does. Judged on the stretch's
// first kDeltaSample bytes, which keeps the look at random data cheap.
constexpr std::size_t kDeltaSample = 0x4000;

std::uint32_t DeltaChannels(const std::uint8_t* data, std::size_t size) {
    size = std::min(size, kDeltaSample);
    const auto total = static_cast<std::uint32_t>(size);
    std::array<std::uint32_t, 256> counts{};
    for (std::size_t i = 0; i < size; ++i)
        ++counts[data[i]];
    std::uint64_t best = OrderZeroCost(counts, total) * 3 / 4;
    std::uint32_t bestChannels = 0;
    for (std::uint32_t channels = 1; channels <= 4; ++channels) {
        counts.fill(0);
        for (std::size_t i = 0; i < size; ++i)
            ++counts[static_cast<std::uint8_t>(data[i] - (i >= channels ? data[i - channels] : 0))];
        const std::uint64_t cost = OrderZeroCost(counts, total);
        if (cost < best) {
            best = cost;
            bestChannels = channels;
        }
    }
    return bestChannels;
}

std::uint32_t Load32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Store32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Relative targets that land inside the first kFileSize bytes become
// absolute; those just past it are moved below zero, where the decoder
// looks for them; the rest stay. The scan skips the same bytes the
// decoder's does.
void MakeCallTargetsAbsolute(std::uint8_t* data, std::size_t size, std::uint32_t fileOffset,
                             bool withJumps) {
    for (std::size_t pos = 0; pos + 4 < size;) {
        const std::uint8_t op = data[pos++];
        if (op != 0xe8 && !(withJumps && op == 0xe9))
            continue;
        const std::int64_t offset = static_cast<std::int64_t>(pos) + fileOffset;
        const std::int64_t target = static_cast<std::int32_t>(Load32(data + pos));
        std::int64_t stored = target;
        if (target >= -offset && target < kFileSize - offset)
            stored = target + offset;
        else if (target >= kFileSize - offset && target < kFileSize)
            stored = target - kFileSize;
        Store32(data + pos, static_cast<std::uint32_t>(stored));
        pos += 4;
    }
}

// Bytes regrouped by channel, each the previous one of its channel less
// itself.
void MakeDifferences(std::uint8_t* data, std::size_t size, std::uint32_t channels) {
    std::vector<std::uint8_t> out;
    out.reserve(size);
    for (std::uint32_t channel = 0; channel < channels; ++channel) {
        std::uint8_t previous = 0;
        for (std::size_t pos = channel; pos < size; pos += channels) {
            out.push_back(static_cast<std::uint8_t>(previous - data[pos]));
            previous = data[pos];
        }
    }
    std::copy(out.begin(), out.end(), data);
}

// The filter machine's variable-length number, in its shortest form.
void PutNumber(BitWriter& out, std::uint32_t value) {
    if (value < 0x10) {
        out.Put(0, 2);
        out.Put(value, 4);
    } else if (value < 0x100) {
        out.Put(1, 2);
        out.Put(value, 8);
    } else if (value < 0x10000) {
        out.Put(2, 2);
        out.Put(value, 16);
    } else {
        out.Put(3, 2);
        out.Put(value, 32);
    }
}

// Flags of a filter block's first byte.
constexpr std::uint8_t kHasProgramNumber = 0x80;
constexpr std::uint8_t kHasLength = 0x20;
constexpr std::uint8_t kHasRegisters = 0x10;

} // namespace

std::optional<FilterChoice> ChooseFilter(const std::uint8_t* data, std::size_t size) {
    // Jumps too (E8E9) came out larger overall on the compiler's own
    // libraries, so calls alone.
    if (LooksLikeCode(data, size))
        return FilterChoice{FilterKind::E8};
    if (const std::uint32_t channels = DeltaChannels(data, size))
        return FilterChoice{FilterKind::Delta, channels};
    return std::nullopt;
}

void ApplyFilter(const FilterChoice& choice, std::uint8_t* data, std::size_t size,
                 std::uint32_t fileOffset) {
    if (choice.kind == FilterKind::Delta)
        MakeDifferences(data, size, choice.channels);
    else
        MakeCallTargetsAbsolute(data, size, fileOffset, choice.kind == FilterKind::E8E9);
}

std::vector<std::uint8_t> FilterPrograms::Block(const FilterChoice& choice, std::uint32_t offset,
                                                std::uint32_t length) {
    const auto known = std::find(defined_.begin(), defined_.end(), choice.kind);
    const auto number = static_cast<std::uint32_t>(known - defined_.begin());
    const bool defines = known == defined_.end();
    if (defines)
        defined_.push_back(choice.kind);

    BitWriter body;
    PutNumber(body, number + 1);
    PutNumber(body, offset);
    PutNumber(body, length);
    std::uint8_t flags = kHasProgramNumber | kHasLength;
    if (choice.kind == FilterKind::Delta) {
        flags |= kHasRegisters;
        body.Put(1, 7); // r0 only
        PutNumber(body, choice.channels);
    }
    if (defines) {
        const v29::FilterProgramId id = v29::StandardProgramId(choice.kind);
        PutNumber(body, static_cast<std::uint32_t>(id.size));
        for (std::uint8_t byte : ProgramWithCrc(id.size, id.crc))
            body.Put(byte, 8);
    }
    const std::vector<std::uint8_t> bytes = body.Take();

    std::vector<std::uint8_t> block;
    const std::size_t size = bytes.size();
    if (size <= 6) {
        block.push_back(static_cast<std::uint8_t>(flags | (size - 1)));
    } else if (size < 7 + 256) {
        block.push_back(flags | 6);
        block.push_back(static_cast<std::uint8_t>(size - 7));
    } else {
        block.push_back(flags | 7);
        block.push_back(static_cast<std::uint8_t>(size >> 8));
        block.push_back(static_cast<std::uint8_t>(size));
    }
    block.insert(block.end(), bytes.begin(), bytes.end());
    return block;
}

} // namespace rar::encode
