#include "ide/product_include.h"

#include "lib/setup_error.h"
#include "lib/text.h"

#include <fstream>
#include <iterator>

namespace setupkit {

namespace {

constexpr const char* Terminator = "{$I kv.inc}";
constexpr const char* DefineKeyword = "{$DEFINE";

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

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SetupError("Cannot open file \"" + path + "\"");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Line breaks are CR, LF or CR LF; unlike a list assignment, a zero byte is
// kept, so that the file is written back as it was read.
LineList SplitLines(const std::string& text) {
    LineList lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        lines.Add(line);
        line.clear();
    }
    if (!line.empty())
        lines.Add(line);
    return lines;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        throw SetupError("Cannot write file \"" + path + "\"");
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
    const std::size_t keywordLength = std::char_traits<char>::length(DefineKeyword);
    if (!SameText(line.substr(pos, keywordLength), DefineKeyword))
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

    const LineList lines = SplitLines(ReadWholeFile(path));
    std::string text;
    bool scanning = true;
    for (const std::string& line : lines) {
        if (scanning && SameText(line, Terminator))
            scanning = false;
        const DefineLine define = scanning ? ParseDefineLine(line) : DefineLine{};
        text +=
            define.isDefine ? DefineText(define.symbol, symbols.IndexOf(define.symbol) >= 0) : line;
        text += "\r\n";
    }
    WriteWholeFile(path, text);
}

} // namespace setupkit
