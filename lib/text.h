#pragma once
// Small text helpers shared by every subsystem. Texts are single-byte ANSI;
// "ignoring case" means the letters A-Z and a-z only, as the registry and the
// configuration compare them.
#include <string>
#include <vector>

namespace setupkit {

bool SameText(const std::string& a, const std::string& b);
std::string UpperCase(std::string text);
// Removes leading and trailing blanks and control characters.
std::string Trim(const std::string& text);
std::string ReplaceChar(std::string text, char from, char to);
// The part of `text` before / after the first `separator`; empty when absent.
std::string TextBefore(const std::string& text, const std::string& separator);
std::string TextAfter(const std::string& text, const std::string& separator);
// The lines of a text that ends with CR LF, LF or nothing: split at each LF,
// a CR before it dropped; a CR anywhere else stays in its line.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace setupkit

namespace setupkit {
// Every "%s" of `pattern` replaced by `value` (the value itself is never scanned).
std::string FormatWith(const std::string& pattern, const std::string& value);
} // namespace setupkit
