#include "builder/ansi_text.h"

#include <algorithm>
#include <cstdint>

namespace setupkit::builder {
namespace {

// Code points of bytes 0x80..0x9F in code page 1252; 0 where the byte is unused.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<char> Windows1252Byte(std::uint32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    const auto* found = std::find(std::begin(kHighControls), std::end(kHighControls), codePoint);
    if (codePoint == 0 || found == std::end(kHighControls))
        return std::nullopt;
    return static_cast<char>(0x80 + (found - std::begin(kHighControls)));
}

// Decodes the sequence at `at`, moving past it; nothing for a malformed one.
std::optional<std::uint32_t> NextCodePoint(const std::string& text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF5   ? -1
                      : lead >= 0xF0 ? 3
                      : lead >= 0xE0 ? 2
                      : lead >= 0xC2 ? 1
                                     : -1;
    if (extra < 0 || at + extra > text.size())
        return std::nullopt;
    std::uint32_t codePoint = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at++]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[extra] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::nullopt;
    return codePoint;
}

} // namespace

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();)
        if (!NextCodePoint(text, at))
            return false;
    return true;
}

std::optional<std::string> Utf8ToWindows1252(const std::string& utf8) {
    std::string result;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto codePoint = NextCodePoint(utf8, at);
        const auto byte = codePoint ? Windows1252Byte(*codePoint) : std::nullopt;
        if (!byte)
            return std::nullopt;
        result += *byte;
    }
    return result;
}

std::u16string Windows1252ToUtf16(const std::string& text) {
    std::u16string wide;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        wide +=
            static_cast<char16_t>(byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte);
    }
    return wide;
}

bool IsWindows1252(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x80 || byte >= 0xA0 || kHighControls[byte - 0x80] != 0;
    });
}

} // namespace setupkit::builder
