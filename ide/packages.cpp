#include "ide/packages.h"

namespace setupkit {

// Not built yet: no package is compiled or registered so far.
void BuildPackagesStep() {}
void RegisterPackagesStep() {}

} // namespace setupkit
