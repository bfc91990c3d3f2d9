#include "extract/unrar_library.h"

namespace setupkit {

// Not built yet: no library is ever loaded so far.
void FreeUnrarLibrary() {}

} // namespace setupkit
