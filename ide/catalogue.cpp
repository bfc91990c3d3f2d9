#include "ide/catalogue.h"

namespace setupkit {

// Not built yet: every code selects Delphi 5, which is always compatible, and
// no help contents file is known.
IdeKind IdeKindFromCode(const std::string&) { return IdeKind::D5; }
bool IsIdeCompatible(IdeKind) { return true; }
std::string IdeHelpContentsPath(IdeKind) { return std::string(); }

} // namespace setupkit
