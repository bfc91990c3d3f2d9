#include "records/shortcuts.h"

namespace setupkit {

// Not built yet: no shortcut is written so far.
void CreateProgramLinks() {}

} // namespace setupkit
