#pragma once
// Conversions between the name encodings archives hold and UTF-8.
#include <cstdint>
#include <string>
#include <vector>

namespace rar {

// Decodes the compact Unicode form the older format appends to a name after
// a zero byte; `plain` is the 8-bit name in front of it. Returns UTF-16.
std::u16string DecodeEncodedName(const std::string& plain, const std::uint8_t* encoded,
                                 std::size_t size);

std::string Utf16ToUtf8(const std::u16string& text);
bool IsValidUtf8(const std::string& text);
// An 8-bit name from an archive without Unicode names: kept when it already
// is UTF-8, otherwise read as Latin-1 so that every byte stays distinct.
std::string LegacyNameToUtf8(const std::string& bytes);

// Older formats separate path components with backslashes; entries keep '/'.
std::string ToForwardSlashes(std::string name);

// A RAR 5 name. Archivers that met a name which was not valid text in the
// system's encoding store it behind a U+FFFE mark, each byte that did not
// convert as U+E000 + byte; those come back as the raw bytes.
std::string DecodeRar5Name(const std::string& stored);

// UTF-8 to code points; a byte that is not part of valid UTF-8 becomes
// 0xDC00 + byte so that it survives the round trip through wide text.
std::u32string Utf8ToCodePoints(const std::string& text);
std::string CodePointsToUtf8(const std::u32string& points);

} // namespace rar
