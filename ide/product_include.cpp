#include "ide/product_include.h"

#include "ide/text_file.h"
#include "lib/text.h"

namespace setupkit {

namespace {

constexpr const char* kTerminator = "{$I kv.inc}";
constexpr const char* kDefineKeyword = "{$DEFINE";

bool IsBlank(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool IsSymbolChar(char c) {
    return c == '$' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z');
}

std::size_t SkipBlanks(const std::string& line, std::size_t pos) {
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    return pos;
}

std::string DefineText(const std::string& symbol, bool active) {
    return std::string(active ? "" : "//") + "  {$DEFINE " + symbol + "}";
}

} // namespace

DefineLine ParseDefineLine(const std::string& line) {
    DefineLine result;
    std::size_t pos = SkipBlanks(line, 0);
    if (line.compare(pos, 2, "//") == 0) {
        result.commented = true;
        pos = SkipBlanks(line, pos + 2);
    }
    const std::size_t keywordLength = std::char_traits<char>::length(kDefineKeyword);
    if (!SameText(line.substr(pos, keywordLength), kDefineKeyword))
        return DefineLine{};
    pos = SkipBlanks(line, pos + keywordLength);
    const std::size_t start = pos;
    while (pos < line.size() && IsSymbolChar(line[pos]))
        ++pos;
    result.isDefine = true;
    result.symbol = line.substr(start, pos - start);
    return result;
}

std::string RemoveSpaces(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ')
            out += c;
    return out;
}

void MergeProductInclude(const std::string& path, const LineList& subProducts) {
    LineList symbols;
    for (const std::string& name : subProducts)
        symbols.Add(RemoveSpaces(name));

    LineList merged;
    bool scanning = true;
    for (const std::string& line : ReadTextFileLines(path)) {
        if (scanning && SameText(line, kTerminator))
            scanning = false;
        const DefineLine define = scanning ? ParseDefineLine(line) : DefineLine{};
        merged.Add(define.isDefine ? DefineText(define.symbol, symbols.IndexOf(define.symbol) >= 0)
                                   : line);
    }
    WriteTextFileLines(path, merged);
}

} // namespace setupkit
