#pragma once
// Replacing placeholders such as %SYSTEM% by the values they stand for.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace setupkit {

struct TTemplateInfo {
    std::string Template;                  // the placeholder, percent signs included
    std::function<std::string()> GetValue; // asked anew for every occurrence
};

// A value that holds its own placeholder would be expanded forever; no real
// text comes near this many replacements.
inline constexpr std::size_t kMaxTemplateReplacements = 256;

// Record by record in table order, replaces the first occurrence of the
// record's placeholder (case-sensitive) and searches again from the start of
// the text until it no longer occurs, so a value that brings the same
// placeholder in is expanded too. Stops after kMaxTemplateReplacements
// replacements in all and returns the text as it stands then.
std::string ExpandTemplates(const std::string& text, const std::vector<TTemplateInfo>& table);

} // namespace setupkit
