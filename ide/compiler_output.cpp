#include "ide/compiler_output.h"

#include "lib/text.h"

namespace setupkit {

bool IsCompilerMarker(const std::string& word) {
    for (const char* marker : {"Error:", "Warning:", "Borland", "Fatal:"})
        if (SameText(word, marker))
            return true;
    return false;
}

std::string FilterCompilerOutput(const std::string& text) {
    std::string result;
    std::string::size_type pos = 0;
    const auto end = text.size();
    for (;;) {
        while (pos < end && text[pos] == ' ')
            ++pos;
        if (pos >= end)
            break;
        const auto lineStart = pos;
        auto lineEnd = text.find('\n', pos);
        if (lineEnd == std::string::npos)
            lineEnd = end;
        // Only the blank separates words: a carriage return stays part of the
        // word before it, so a marker that ends its line does not count.
        while (pos < lineEnd) {
            while (pos < lineEnd && text[pos] == ' ')
                ++pos;
            const auto wordStart = pos;
            while (pos < lineEnd && text[pos] != ' ')
                ++pos;
            if (pos > wordStart && IsCompilerMarker(text.substr(wordStart, pos - wordStart)))
                result += text.substr(lineStart, lineEnd - lineStart);
        }
        pos = lineEnd + 1;
    }
    return result;
}

} // namespace setupkit
