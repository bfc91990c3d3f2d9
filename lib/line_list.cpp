#include "lib/line_list.h"

#include "lib/text.h"

#include <algorithm>

namespace setupkit {

void LineList::SetText(const std::string& text) {
    SetWholeText(text.substr(0, text.find('\0')));
}

void LineList::SetWholeText(const std::string& text) {
    lines_.clear();
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        lines_.push_back(line);
        line.clear();
    }
    if (!line.empty())
        lines_.push_back(line);
}

std::string LineList::Text() const {
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\r\n";
    return text;
}

void LineList::Insert(std::size_t index, const std::string& line) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(std::min(index, lines_.size())),
                  line);
}

void LineList::Delete(std::size_t index) {
    if (index < lines_.size())
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

int LineList::IndexOf(const std::string& line) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (SameText(lines_[i], line))
            return static_cast<int>(i);
    return -1;
}

int LineList::IndexOfName(const std::string& name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].find('=') != std::string::npos && SameText(NameOf(lines_[i]), name))
            return static_cast<int>(i);
    return -1;
}

std::string LineList::Value(const std::string& name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueOf(lines_[static_cast<std::size_t>(index)]);
}

std::string LineList::NameOf(const std::string& line) {
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string LineList::ValueOf(const std::string& line) {
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

} // namespace setupkit
