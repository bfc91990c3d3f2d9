#pragma once
// Inputs the encoder tests compress: the shapes that stress an LZ coder.
#include "rar/tests/random_bytes.h"
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace rar::encode::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Random(std::size_t size, std::uint32_t seed) {
    return rar::test::RandomBytes(size, seed);
}

// Source-like text: words from a small vocabulary, lines, indentation.
inline Bytes Text(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {"begin",
                                         "end;",
                                         "procedure",
                                         "TGrid.Paint",
                                         "var",
                                         "Result",
                                         ":=",
                                         "if",
                                         "then",
                                         "inherited",
                                         "Canvas",
                                         "FRowCount",
                                         "(Sender: TObject)",
                                         "//",
                                         "Inc(I);"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < size) {
        text.append(random() % 4 * 2, ' ');
        for (unsigned n = random() % 8 + 1; n > 0; --n)
            text += std::string(kWords[random() % 15]) + ' ';
        text += "\r\n";
    }
    return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

// Machine code as a compiler lays it out, as far as the call filter sees it:
// functions of short instructions, many of them calls (E8) and jumps (E9)
// to the starts of other functions, as 32-bit displacements.
inline Bytes Code(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint32_t> functions;
    for (std::uint32_t at = 0; at < size; at += 16 + random() % 400)
        functions.push_back(at);
    Bytes out;
    while (out.size() < size) {
        const unsigned kind = random() % 8;
        if (kind < 2) {
            out.push_back(kind == 0 ? 0xe8 : 0xe9);
            const std::uint32_t target = functions[random() % functions.size()];
            const auto displacement = static_cast<std::uint32_t>(target - (out.size() + 4));
            for (int i = 0; i < 4; ++i)
                out.push_back(static_cast<std::uint8_t>(displacement >> (8 * i)));
        } else {
            static const std::uint8_t kOps[] = {0x8b, 0x89, 0x55, 0x5d, 0xc3, 0x83, 0x50, 0x74};
            out.push_back(kOps[random() % 8]);
            out.push_back(static_cast<std::uint8_t>(random() % 16 * 8 + 0x45));
        }
    }
    out.resize(size);
    return out;
}

// A table of 32-bit values that grow slowly, the kind of data the delta
// filter is for.
inline Bytes Table(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uint32_t value = seed;
    Bytes out;
    while (out.size() < size) {
        value += random() % 64;
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    out.resize(size);
    return out;
}

inline Bytes Run(std::size_t size, std::uint8_t byte) {
    return Bytes(size, byte);
}

inline Bytes Concat(std::vector<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

} // namespace rar::encode::test
