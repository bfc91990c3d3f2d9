#pragma once
// What an archiver does before compressing, for each standard filter: the
// forward transforms whose undoing the decoder must get exactly right.
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace rar::v29::test {

using Bytes = std::vector<std::uint8_t>;

// Relative x86 CALL (E8) and, optionally, JMP (E9) targets become absolute
// when they land inside the first 16 MB.
inline Bytes EncodeCalls(Bytes data, std::uint32_t fileOffset, bool withJumps) {
    const std::int64_t fileSize = 0x1000000;
    for (std::size_t pos = 0; pos + 4 < data.size();) {
        std::uint8_t op = data[pos++];
        if (op != 0xe8 && !(withJumps && op == 0xe9))
            continue;
        std::int64_t offset = static_cast<std::int64_t>(pos) + fileOffset;
        std::uint32_t raw = data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16 |
                            static_cast<std::uint32_t>(data[pos + 3]) << 24;
        std::int64_t target = static_cast<std::int32_t>(raw);
        std::int64_t stored = target;
        if (target >= -offset && target < fileSize - offset)
            stored = target + offset;
        else if (target >= fileSize - offset && target < fileSize)
            stored = target - fileSize;
        auto value = static_cast<std::uint32_t>(stored);
        for (int i = 0; i < 4; ++i)
            data[pos + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        pos += 4;
    }
    return data;
}

inline std::uint32_t GetBits(const std::uint8_t* p, unsigned first, unsigned count) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < count; ++i)
        v |= static_cast<std::uint32_t>((p[(first + i) / 8] >> ((first + i) % 8)) & 1) << i;
    return v;
}

inline void SetBits(std::uint8_t* p, unsigned first, unsigned count, std::uint32_t v) {
    for (unsigned i = 0; i < count; ++i) {
        unsigned b = first + i;
        p[b / 8] =
            static_cast<std::uint8_t>((p[b / 8] & ~(1u << (b % 8))) | ((v >> i & 1) << (b % 8)));
    }
}

// IA-64: in bundles whose template has branch slots, the 20-bit target of a
// branch (opcode 5) becomes absolute in bundles (16 bytes).
inline Bytes EncodeItanium(Bytes data, std::uint32_t fileOffset) {
    const unsigned slotsOf[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
    std::uint32_t bundle = fileOffset >> 4;
    for (std::size_t pos = 0; pos + 21 < data.size(); pos += 16, ++bundle) {
        std::uint8_t* p = data.data() + pos;
        unsigned tmpl = p[0] & 0x1f;
        if (tmpl < 0x10)
            continue;
        for (unsigned slot = 0; slot < 3; ++slot) {
            unsigned start = slot * 41 + 5;
            if (!(slotsOf[tmpl - 0x10] >> slot & 1) || GetBits(p, start + 37, 4) != 5)
                continue;
            SetBits(p, start + 13, 20, (GetBits(p, start + 13, 20) + bundle) & 0xfffff);
        }
    }
    return data;
}

// Interleaved channels are separated and each stored as byte differences.
inline Bytes EncodeDelta(const Bytes& data, std::uint32_t channels) {
    Bytes out;
    for (std::uint32_t c = 0; c < channels; ++c) {
        std::uint8_t previous = 0;
        for (std::size_t pos = c; pos < data.size(); pos += channels) {
            out.push_back(static_cast<std::uint8_t>(previous - data[pos]));
            previous = data[pos];
        }
    }
    return out;
}

inline int Paeth(int left, int upper, int upperLeft) {
    int p = left + upper - upperLeft;
    int a = std::abs(p - left), b = std::abs(p - upper), c = std::abs(p - upperLeft);
    if (a <= b && a <= c)
        return left;
    return b <= c ? upper : upperLeft;
}

// 24-bit pixels: green is subtracted from red and blue, then every byte is
// predicted from its left, upper and upper-left neighbours. `widthParam` is
// the filter's r0; the upper neighbour lies widthParam - 3 bytes back.
inline Bytes EncodeRgb(Bytes data, std::uint32_t widthParam, std::uint32_t redPos) {
    for (std::size_t i = redPos; i + 2 < data.size(); i += 3) {
        data[i] = static_cast<std::uint8_t>(data[i] - data[i + 1]);
        data[i + 2] = static_cast<std::uint8_t>(data[i + 2] - data[i + 1]);
    }
    const std::size_t width = widthParam - 3;
    Bytes out;
    for (std::size_t c = 0; c < 3; ++c) {
        int previous = 0;
        for (std::size_t i = c; i < data.size(); i += 3) {
            int predicted = previous;
            if (i >= width + 3)
                predicted = Paeth(previous, data[i - width], data[i - width - 3]);
            out.push_back(static_cast<std::uint8_t>(predicted - data[i]));
            previous = data[i];
        }
    }
    return out;
}

// Per channel, a linear predictor over the last three deltas whose three
// weights adapt every 32 samples towards the smallest accumulated error.
inline Bytes EncodeAudio(const Bytes& data, std::uint32_t channels) {
    Bytes out;
    for (std::uint32_t c = 0; c < channels; ++c) {
        int previous = 0, previousDelta = 0, d1 = 0, d2 = 0, d3 = 0;
        int k[3] = {0, 0, 0};
        long errors[7] = {};
        unsigned n = 0;
        for (std::size_t pos = c; pos < data.size(); pos += channels, ++n) {
            d3 = d2;
            d2 = previousDelta - d1;
            d1 = previousDelta;
            int predicted = ((8 * previous + k[0] * d1 + k[1] * d2 + k[2] * d3) >> 3) & 0xff;
            int value = data[pos];
            auto coded = static_cast<std::uint8_t>(predicted - value);
            out.push_back(coded);
            previousDelta = static_cast<std::int8_t>(value - previous);
            previous = value;
            int d = static_cast<std::int8_t>(coded) * 8;
            int tries[7] = {d, d - d1, d + d1, d - d2, d + d2, d - d3, d + d3};
            for (int i = 0; i < 7; ++i)
                errors[i] += std::abs(tries[i]);
            if (n % 32 != 0)
                continue;
            int best = 0;
            for (int i = 1; i < 7; ++i)
                if (errors[i] < errors[best])
                    best = i;
            for (auto& e : errors)
                e = 0;
            if (best == 0)
                continue;
            int& w = k[(best - 1) / 2];
            if (best % 2 == 1 && w >= -16)
                --w;
            else if (best % 2 == 0 && w < 16)
                ++w;
        }
    }
    return out;
}

} // namespace rar::v29::test
