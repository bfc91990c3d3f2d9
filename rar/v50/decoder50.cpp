#include "rar/decoder.h"

namespace rar {

// Not built yet: this method is reported as unsupported (no decoder).
std::unique_ptr<Decoder> MakeDecoder50(std::size_t, bool) { return nullptr; }

} // namespace rar
