#pragma once
// Prefix codes for the encoders: code lengths limited to what a format can
// send, and the canonical codes the decoders rebuild from those lengths
// (shorter codes first, equal lengths in symbol order, most significant bit
// first).
#include <cstdint>
#include <vector>

namespace rar::encode {

// A length (0 = unused) for each of `frequencies`, none over `maxLength`.
// A lone used symbol gets length 1. Ties are broken by symbol number, so the
// same frequencies always give the same lengths.
std::vector<std::uint8_t> CodeLengths(const std::vector<std::uint32_t>& frequencies,
                                      unsigned maxLength);

// The code of each symbol for `lengths`, right-aligned.
std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths);

} // namespace rar::encode
