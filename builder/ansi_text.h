#pragma once
// The setup shows its texts with the ANSI functions of a western Windows, in
// code page 1252. product.ini may be written in UTF-8 (as Linux editors save
// it) or in that code page (as older Windows editors do); both become 1252.
#include <optional>
#include <string>

namespace setupkit::builder {

bool IsUtf8(const std::string& text);

// `utf8` in code page 1252, or nothing when a character has no place there.
std::optional<std::string> Utf8ToWindows1252(const std::string& utf8);

// True when every byte of `text` is a character of code page 1252.
bool IsWindows1252(const std::string& text);

// Code page 1252 text as UTF-16, as the system's wide functions read it.
std::u16string Windows1252ToUtf16(const std::string& text);

} // namespace setupkit::builder
