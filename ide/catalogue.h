#pragma once
// The IDE versions a setup can target, and what decides whether the product
// may be installed into the one on this machine.
#include <cstdint>
#include <string>

namespace setupkit {

// Delphi kinds have even values, C++Builder kinds odd ones.
enum class IdeKind : std::uint8_t { D2, C1, D3, C3, D4, C4, D5 };

IdeKind IdeKindFromCode(const std::string& code);
bool IsIdeCompatible(IdeKind kind);
// Full path of the IDE's help contents file (the file may not exist).
std::string IdeHelpContentsPath(IdeKind kind);

} // namespace setupkit
