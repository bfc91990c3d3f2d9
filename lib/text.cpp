#include "lib/text.h"

namespace setupkit {

namespace {
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::string::size_type i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        c = UpperAscii(c);
    return text;
}

std::string Trim(const std::string& text) {
    std::string::size_type first = 0;
    std::string::size_type last = text.size();
    while (first < last && IsBlankOrControl(text[first]))
        ++first;
    while (last > first && IsBlankOrControl(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string ReplaceChar(std::string text, char from, char to) {
    for (char& c : text)
        if (c == from)
            c = to;
    return text;
}

std::string TextBefore(const std::string& text, const std::string& separator) {
    const auto at = text.find(separator);
    return at == std::string::npos ? std::string() : text.substr(0, at);
}

std::string TextAfter(const std::string& text, const std::string& separator) {
    const auto at = text.find(separator);
    return at == std::string::npos ? std::string() : text.substr(at + separator.size());
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace setupkit

namespace setupkit {
std::string FormatWith(const std::string& pattern, const std::string& value) {
    std::string out;
    for (std::string::size_type i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            out += value;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}
} // namespace setupkit
