#pragma once
// RAR 2.9/3.x compression (unpack version 29): LZ with its standard filters,
// and PPMd blocks.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <memory>

namespace rar {

// `windowSize`: the dictionary size from the entry's header.
std::unique_ptr<Decoder> MakeDecoder29(std::size_t windowSize);

} // namespace rar
