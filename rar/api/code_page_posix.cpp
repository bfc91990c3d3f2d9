#include "rar/api/code_page.h"

#include "rar/format/names.h"

namespace rar::api {

std::string ToAnsi(const std::u32string& text) {
    return CodePointsToUtf8(text);
}

std::u32string FromAnsi(const char* text) {
    return Utf8ToCodePoints(text);
}

} // namespace rar::api
