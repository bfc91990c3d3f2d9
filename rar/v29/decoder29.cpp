#include "rar/decoder.h"

namespace rar {

// Not built yet: this method is reported as unsupported (no decoder).
std::unique_ptr<Decoder> MakeDecoder29(std::size_t) { return nullptr; }

} // namespace rar
