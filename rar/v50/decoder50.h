#pragma once
// RAR 5.0 compression (unpack version 50), with its filters; the later variant
// (version 70) allows larger dictionaries and extra distance codes.
#include "rar/lz/decoder.h"

#include <cstddef>
#include <memory>

namespace rar {

std::unique_ptr<Decoder> MakeDecoder50(std::size_t windowSize, bool extendedDistances);

} // namespace rar
