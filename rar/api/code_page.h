#pragma once
// The 8-bit text of the API's non-wide fields: the ANSI code page on
// Windows, UTF-8 elsewhere.
#include <string>

namespace rar::api {

// Code points (escaped raw bytes included) to 8-bit text.
std::string ToAnsi(const std::u32string& text);
std::u32string FromAnsi(const char* text);

// wchar_t text (UTF-16 on Windows, UTF-32 elsewhere) and code points.
std::wstring ToWide(const std::u32string& text);
std::u32string FromWide(const wchar_t* text);

} // namespace rar::api
