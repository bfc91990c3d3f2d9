#pragma once
// Machine folders that configuration text may name through path templates.
#include <string>

namespace setupkit {

std::string ExpandPathTemplates(const std::string& text);

} // namespace setupkit
