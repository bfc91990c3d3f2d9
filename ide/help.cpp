#include "ide/help.h"

namespace setupkit {

// Not built yet: the IDE's help contents are left alone so far.
void MergeHelpFiles() {}

} // namespace setupkit
