#include "rar/api/code_page.h"

namespace rar::api {

std::wstring ToWide(const std::u32string& text) {
    std::wstring out;
    for (char32_t c : text) {
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

std::u32string FromWide(const wchar_t* text) {
    std::u32string out;
    for (; *text; ++text) {
        char32_t c = static_cast<char32_t>(*text);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 &&
            text[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[1]) - 0xDC00);
            ++text;
        }
        out += c;
    }
    return out;
}

} // namespace rar::api
