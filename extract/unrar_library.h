#pragma once

namespace setupkit {

// Unloads the extraction library if one is loaded; also called at process end.
void FreeUnrarLibrary();

} // namespace setupkit
