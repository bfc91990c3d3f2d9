#include "records/uninstall.h"

namespace setupkit {

// Not built yet: no uninstall entry is written so far.
void RegisterUninstall() {}
void RegisterVersion() {}

} // namespace setupkit
