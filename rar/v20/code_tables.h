#pragma once
// The codes of one block of a 2.0 stream and how a block header sends them:
// a two-bit header (multimedia block; keep the previous lengths as the base
// of the new ones), for multimedia blocks the channel count, then the code
// lengths themselves, coded as differences from the previous ones.
#include "rar/lz/bit_reader.h"
#include "rar/lz/prefix_code.h"
#include "rar/v20/audio_predictor.h"

#include <array>
#include <cstdint>

namespace rar::v20 {

// The decoder checks for an overrun after every code; refilling stops one
// that keeps asking for bits regardless.
using BitReader = lz::BitReader<lz::StopAfterPaddingConsumed<128>>;

// Lengths that claim more codes than exist, and a pattern no code covers,
// are corrupt data.
using PrefixCode = lz::PrefixCode<lz::Unassigned::Refuse>;

class CodeTables {
  public:
    static constexpr unsigned kMainSymbols = 298;
    static constexpr unsigned kDistanceSymbols = 48;
    static constexpr unsigned kLengthSymbols = 28;
    static constexpr unsigned kAudioSymbols = 257;

    void Reset() { *this = CodeTables(); }
    // Reads a block header and the lengths after it; throws DataError on
    // lengths that cannot be.
    void Read(BitReader& in);

    bool audio = false;
    unsigned channels = 1;
    PrefixCode main;
    PrefixCode distance;
    PrefixCode length;
    std::array<PrefixCode, AudioPredictor::kMaxChannels> audioCodes;

  private:
    static constexpr unsigned kLevelSymbols = 19;

    void ReadLengths(BitReader& in, unsigned count);

    // The lengths of the previous block, the base for the next.
    std::array<std::uint8_t, kAudioSymbols * AudioPredictor::kMaxChannels> lengths_{};
};

} // namespace rar::v20
