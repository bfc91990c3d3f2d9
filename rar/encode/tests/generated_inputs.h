#pragma once
// Inputs the encoder tests compress: the shapes that stress an LZ coder.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace rar::encode::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Random(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random());
    return out;
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
