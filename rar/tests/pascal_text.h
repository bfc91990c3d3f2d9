#pragma once
// Generated Pascal-like source: units of classes, routines, statements and
// comments drawn from a small vocabulary, the kind of text the component
// libraries' setups carry most. Deterministic for a seed.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace rar::test {

class PascalText {
  public:
    explicit PascalText(unsigned seed) : random_(seed) {}

    std::vector<std::uint8_t> Make(std::size_t size) {
        text_.clear();
        while (text_.size() < size)
            Unit();
        text_.resize(size);
        return std::vector<std::uint8_t>(text_.begin(), text_.end());
    }

  private:
    const char* Pick(const std::vector<const char*>& words) {
        return words[random_() % words.size()];
    }
    std::string Name() {
        static const std::vector<const char*> kParts = {
            "Line",   "Text",  "Caret", "Token", "Range", "Attr",  "Font",   "Color",  "Width",
            "Count",  "Index", "Item",  "Char",  "Block", "Undo",  "Redo",   "Select", "Scroll",
            "Gutter", "Mark",  "Word",  "Paint", "Key",   "Mouse", "Buffer", "Tab",    "Option"};
        std::string name = Pick(kParts);
        if (random_() % 2)
            name += Pick(kParts);
        return name;
    }
    std::string Routine() {
        static const std::vector<const char*> kVerbs = {
            "Get", "Set", "Do", "Update", "Paint", "Find", "Insert", "Delete", "Invalidate"};
        return std::string(Pick(kVerbs)) + Name();
    }
    void Line(int indent, const std::string& s) {
        text_.append(static_cast<std::size_t>(2 * indent), ' ');
        text_ += s;
        text_ += "\r\n";
    }
    std::string Expression() {
        static const std::vector<const char*> kOps = {" + ", " - ", " * ", " div ", " and "};
        std::string e = "F" + Name();
        if (random_() % 2)
            e += Pick(kOps) + std::to_string(random_() % 100);
        return e;
    }
    void Statement(int indent, int depth) {
        switch (depth < 3 ? random_() % 6 : random_() % 3) {
        case 0:
            Line(indent, "F" + Name() + " := " + Expression() + ";");
            break;
        case 1:
            Line(indent, Routine() + "(" + Expression() + ");");
            break;
        case 2:
            Line(indent, "Result := " + Expression() + ";");
            break;
        case 3:
            Line(indent, "if " + Expression() + " > 0 then");
            Block(indent, depth + 1);
            break;
        case 4:
            Line(indent, "for I := 0 to " + Expression() + " - 1 do");
            Block(indent, depth + 1);
            break;
        default:
            Line(indent, "while not Assigned(F" + Name() + ") do");
            Block(indent, depth + 1);
        }
    }
    void Block(int indent, int depth) {
        Line(indent, "begin");
        for (unsigned n = 1 + random_() % 4; n > 0; --n)
            Statement(indent + 1, depth);
        Line(indent, "end;");
    }
    std::string Comment() {
        static const std::vector<const char*> kWords = {
            "the",    "a",      "of",      "to",       "when",   "is",     "not",     "be",
            "line",   "caret",  "moves",   "after",    "before", "paint",  "width",   "changed",
            "keeps",  "editor", "undo",    "list",     "so",     "that",   "it",      "never",
            "scroll", "until",  "each",    "token",    "ends",   "key",    "pressed", "range",
            "first",  "last",   "visible", "selected", "reads",  "writes", "font",    "height"};
        std::string c = "{ ";
        for (unsigned n = 4 + random_() % 12; n > 0; --n)
            c += std::string(Pick(kWords)) + " ";
        return c + "}";
    }
    void Unit() {
        std::string cls = "TCustom" + Name();
        Line(0, Comment());
        Line(0, "const");
        Line(1, "c" + Name() + " = " + std::to_string(random_() % 100000) + ";");
        Line(1, "s" + Name() + " = '" + Name() + " " + std::to_string(random_() % 1000) + "';");
        Line(0, "");
        for (unsigned n = 1 + random_() % 6; n > 0; --n) {
            std::string routine = Routine();
            if (random_() % 2)
                Line(0, "procedure " + cls + "." + routine + "(const A" + Name() + ": Integer);");
            else
                Line(0, "function " + cls + "." + routine + ": Boolean;");
            if (random_() % 3 == 0)
                Line(0, "var\r\n  I: Integer;");
            if (random_() % 2)
                Line(1, Comment());
            Block(0, 0);
            Line(0, "");
        }
    }

    std::mt19937 random_;
    std::string text_;
};

} // namespace rar::test
