#include "lib/text.h"

namespace setupkit {

namespace {
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
std::string::size_type LastSeparator(const std::string& path) {
    return path.find_last_of("\\:");
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

std::string ExtractFileName(const std::string& path) {
    const auto sep = LastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string ExtractFilePath(const std::string& path) {
    const auto sep = LastSeparator(path);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

bool IsBelowFolder(const std::string& path, const std::string& folder) {
    const std::string prefix = folder + "\\";
    return path.size() > prefix.size() && SameText(path.substr(0, prefix.size()), prefix);
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
