#include "rar/format/names.h"

namespace rar {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c >= 0xDC80 && c <= 0xDCFF) { // an escaped raw byte
        out += static_cast<char>(c - 0xDC00);
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at `i`, or 0.
std::size_t SequenceLength(const std::string& s, std::size_t i, char32_t& point) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    std::size_t length;
    char32_t min;
    if (lead < 0x80) {
        point = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, point = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, point = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, point = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (byte(i + k) & 0x3F);
    }
    if (point < min || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::u16string DecodeEncodedName(const std::string& plain, const std::uint8_t* encoded,
                                 std::size_t size) {
    // Names are at most as long as the 8-bit form the encoding refers to,
    // plus what explicit characters add; cap the work at a sane length.
    const std::size_t limit = 4096;
    std::u16string out;
    std::size_t pos = 0;
    if (size == 0)
        return out;
    const unsigned high = encoded[pos++];
    unsigned flags = 0;
    int flagBits = 0;
    auto next = [&](std::uint8_t& value) {
        if (pos >= size)
            return false;
        value = encoded[pos++];
        return true;
    };
    while (pos < size && out.size() < limit) {
        std::uint8_t a, b;
        if (flagBits == 0) {
            if (!next(a))
                break;
            flags = a;
            flagBits = 8;
        }
        switch (flags >> 6) {
        case 0:
            if (!next(a))
                return out;
            out += static_cast<char16_t>(a);
            break;
        case 1:
            if (!next(a))
                return out;
            out += static_cast<char16_t>(a | (high << 8));
            break;
        case 2:
            if (!next(a) || !next(b))
                return out;
            out += static_cast<char16_t>(a | (b << 8));
            break;
        default: {
            if (!next(a))
                return out;
            std::size_t count = (a & 0x7F) + 2;
            std::uint8_t correction = 0;
            if ((a & 0x80) && !next(correction))
                return out;
            for (; count > 0 && out.size() < limit; --count) {
                std::size_t at = out.size();
                unsigned base = at < plain.size() ? static_cast<unsigned char>(plain[at]) : 0;
                if (a & 0x80)
                    out += static_cast<char16_t>(((base + correction) & 0xFF) | (high << 8));
                else
                    out += static_cast<char16_t>(base);
            }
            break;
        }
        }
        flags = (flags << 2) & 0xFF;
        flagBits -= 2;
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool IsValidUtf8(const std::string& text) {
    char32_t point;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = SequenceLength(text, i, point);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string LegacyNameToUtf8(const std::string& bytes) {
    if (IsValidUtf8(bytes))
        return bytes;
    std::string out;
    for (unsigned char c : bytes)
        AppendUtf8(out, c);
    return out;
}

std::string ToForwardSlashes(std::string name) {
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

std::string DecodeRar5Name(const std::string& stored) {
    const std::string mark = "\xEF\xBF\xBE";
    if (stored.compare(0, mark.size(), mark) != 0)
        return stored;
    std::string out;
    for (char32_t c : Utf8ToCodePoints(stored.substr(mark.size()))) {
        if (c >= 0xE080 && c <= 0xE0FF)
            out += static_cast<char>(c - 0xE000);
        else
            AppendUtf8(out, c);
    }
    return out;
}

std::u32string Utf8ToCodePoints(const std::string& text) {
    std::u32string out;
    char32_t point;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = SequenceLength(text, i, point);
        if (length == 0) {
            out += static_cast<char32_t>(0xDC00 + static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out += point;
            i += length;
        }
    }
    return out;
}

std::string CodePointsToUtf8(const std::u32string& points) {
    std::string out;
    for (char32_t c : points)
        AppendUtf8(out, c);
    return out;
}

} // namespace rar
