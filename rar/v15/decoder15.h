#pragma once
// RAR 1.5 compression (unpack version 15, also inside RAR 1.4 archives): LZ
// whose literals, distances and flag bytes are coded through self-ranking
// symbol sets and a few fixed step codes.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <memory>

namespace rar {

// `windowSize`: the dictionary size from the entry's header. The method never
// reaches back more than 64 KB, so no more than that is allocated.
std::unique_ptr<Decoder> MakeDecoder15(std::size_t windowSize);

} // namespace rar
