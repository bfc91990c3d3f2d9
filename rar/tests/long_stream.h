#pragma once
// A long stream of literals and matches, independent of the method that codes
// it: several times the window long, with matches whose source or output runs
// over the end of the window (at the longest length the method allows), many
// block changes, and, when solid, entry ends at and beside the wrap point.
// Each method's test codes the steps with its own test-side writer.
#include "rar/lz/decoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rar::test {

struct StreamStep {
    enum class Kind { Literal, Match, NewBlock, EndEntry };
    Kind kind = Kind::Literal;
    std::uint8_t byte = 0;
    std::uint32_t length = 0;
    std::uint64_t distance = 0;
};

// What one method can code, and the window its decoder is given.
struct MatchRules {
    std::size_t window = 0;
    // Shortest and longest new-distance match the method codes at `distance`.
    std::function<std::uint32_t(std::uint64_t)> shortest;
    std::function<std::uint32_t(std::uint64_t)> longest;
};

struct LongStream {
    std::size_t window = 0;
    std::vector<StreamStep> steps; // the last is always EndEntry
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> entryEnds; // where each entry's bytes end
    // What the steps exercise, so that a test can insist on it.
    unsigned sourceWraps = 0;  // matches reading over the end of the window
    unsigned outputWraps = 0;  // matches writing over it
    unsigned longestWraps = 0; // of both, those at the longest length
    unsigned blocks = 1;
};

// About `laps` windows of bytes; `solid` cuts them into entries.
LongStream MakeLongStream(const MatchRules& rules, unsigned laps, bool solid, std::uint32_t seed);

// Decodes the packed entries, one per EndEntry, through `decoder` (each after
// the first as a solid continuation), handing over the packed bytes in odd
// pieces. Returns where the output first differs from the stream's bytes, or
// an empty text when it never does.
std::string DecodingDifference(Decoder& decoder,
                               const std::vector<std::vector<std::uint8_t>>& packed,
                               const LongStream& stream);
// The same for streams written step by step: `entryEnds` says where each
// packed entry's bytes end in `expected`; `window` only labels the report.
std::string DecodingDifference(Decoder& decoder,
                               const std::vector<std::vector<std::uint8_t>>& packed,
                               const std::vector<std::uint8_t>& expected,
                               const std::vector<std::size_t>& entryEnds, std::size_t window);

// The two checks every method makes on its long streams, given how it codes
// them and a decoder with the rules' window. `seed` picks the stream.
using StreamEncoder = std::function<std::vector<std::vector<std::uint8_t>>(const LongStream&)>;
using DecoderFactory = std::function<std::unique_ptr<Decoder>()>;
// One entry about eight windows long, of many blocks.
void CheckOneEntryOfManyBlocks(const MatchRules& rules, std::uint32_t seed,
                               const StreamEncoder& encode, const DecoderFactory& makeDecoder);
// Solid entries, some ending at or beside the wrap point.
void CheckSolidEntriesOverTheWrapPoint(const MatchRules& rules, std::uint32_t seed,
                                       const StreamEncoder& encode,
                                       const DecoderFactory& makeDecoder);

} // namespace rar::test
