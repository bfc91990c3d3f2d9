#pragma once
// RAR 2.0 compression (unpack versions 20 and 26): LZ with prefix codes and,
// block by block, a multimedia mode for sampled sound.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <memory>

namespace rar {

// `windowSize`: the dictionary size from the entry's header.
std::unique_ptr<Decoder> MakeDecoder20(std::size_t windowSize);

} // namespace rar
