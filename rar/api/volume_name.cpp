#include "rar/api/archive_handle.h"

namespace rar::api {
namespace {

bool IsDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

// Adds one to the run of digits ending just before `end`.
void Increment(std::u32string& name, std::size_t end) {
    std::size_t i = end;
    while (i > 0 && IsDigit(name[i - 1])) {
        if (name[i - 1] != '9') {
            ++name[i - 1];
            return;
        }
        name[--i] = '0';
    }
    name.insert(i, 1, '1');
}

} // namespace

std::u32string NextVolumeName(const std::u32string& current, bool newNumbering) {
    std::u32string name = current;
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.find_last_of(U"/\\");
    const bool hasExtension =
        dot != std::u32string::npos && (slash == std::u32string::npos || dot > slash);
    if (newNumbering) {
        // "name.part01.rar": the number is the last digits before the extension.
        std::size_t end = hasExtension ? dot : name.size();
        std::size_t digits = end;
        while (digits > 0 && !IsDigit(name[digits - 1]) && name[digits - 1] != '.')
            --digits;
        if (digits > 0 && IsDigit(name[digits - 1])) {
            Increment(name, digits);
            return name;
        }
    }
    // "name.rar", "name.r00", "name.r01", ...
    if (!hasExtension)
        return name + U".r00";
    const std::u32string extension = name.substr(dot + 1);
    if (extension.size() == 3 && IsDigit(extension[1]) && IsDigit(extension[2])) {
        Increment(name, name.size());
        return name;
    }
    return name.substr(0, dot + 1) + U"r00";
}

} // namespace rar::api
