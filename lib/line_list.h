#pragma once
// The ordered text list that configuration resources, registry list values and
// the driver's bookkeeping all share. Lines may be plain values or name=value
// pairs; every lookup ignores the letter case of A-Z.
#include <cstddef>
#include <string>
#include <vector>

namespace setupkit {

class LineList {
  public:
    LineList() = default;

    // Splits at CR LF, LF or CR; a last line without a line end counts, and a
    // zero byte ends the text. Replaces the current contents.
    void SetText(const std::string& text);
    // Splits the same way but keeps every byte, zero bytes included: for the
    // text of a file that is written back whole.
    void SetWholeText(const std::string& text);
    // Every line followed by CR LF, the last one included; empty for no lines.
    std::string Text() const;

    void Add(const std::string& line) { lines_.push_back(line); }
    // Inserts before `index`; an index past the end appends.
    void Insert(std::size_t index, const std::string& line);
    void Clear() { lines_.clear(); }
    void Delete(std::size_t index);
    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    const std::string& operator[](std::size_t index) const { return lines_.at(index); }

    // Index of the first line equal to `line` ignoring case, or -1.
    int IndexOf(const std::string& line) const;
    // Index of the first line whose name (text before the first "=") equals
    // `name` ignoring case, or -1. A line without "=" has no name.
    int IndexOfName(const std::string& name) const;
    // Value of the first line named `name`; empty when there is none.
    std::string Value(const std::string& name) const;

    static std::string NameOf(const std::string& line);
    static std::string ValueOf(const std::string& line);

    std::vector<std::string>::const_iterator begin() const { return lines_.begin(); }
    std::vector<std::string>::const_iterator end() const { return lines_.end(); }

  private:
    std::vector<std::string> lines_;
};

} // namespace setupkit
