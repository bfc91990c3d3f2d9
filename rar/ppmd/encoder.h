#pragma once
// Writes the PPMd blocks of a 2.9 stream, through the very model the decoder
// runs. A block is whole bytes and starts on a byte boundary:
//
//   flags            bit 7 set: a PPMd block
//                    bit 6: an escape byte follows
//                    bit 5: a fresh model; the memory size byte follows, and
//                           the low five bits give the order
//   [megabytes - 1]  with bit 5
//   [escape byte]    with bit 6
//   code bytes       the data, where the escape byte is sent as escape, 1,
//                    and the block ends with escape, 0 (an LZ block header
//                    follows) or escape, 2 (the entry ends)
//
// The model outlives its blocks: the next PPMd block continues it, after LZ
// blocks in between and across the entries of a solid stream, until a block
// asks for a fresh one.
#include "rar/ppmd/model.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rar::ppmd {

struct EncoderParams {
    // The longest context: 2..16, then 19, 22, ... 64.
    unsigned order = 8;
    // The model's memory, 1..256 MB; when it is full the model starts over.
    unsigned megabytes = 32;
};

// What comes after a block.
enum class BlockEnd {
    // An LZ block header, in the same entry.
    SwitchToLz,
    // The end of the entry. The next entry of a solid stream starts with a
    // block header.
    EntryEnds,
};

// One per stream. Copying it copies the model, so that a block can be tried
// on the copy and thrown away with it; a copy costs a pass over the model's
// whole memory, so trials pay on stretches of megabytes, not on small blocks.
class Encoder {
  public:
    // Throws std::invalid_argument for an order or size the format cannot
    // name.
    explicit Encoder(EncoderParams params = {});

    // Appends a block coding data[0, size) to `out`. A caller that writes
    // bits ends the LZ block before (symbol 256, then a 1 bit) and pads to a
    // whole byte.
    // `cost`, when given, receives for each byte i the bits its code has
    // taken up to and including data[i], counted from the block's first code
    // byte.
    void WriteBlock(const std::uint8_t* data, std::size_t size, BlockEnd end,
                    std::vector<std::uint8_t>& out, double* cost = nullptr);
    // The next block starts a fresh model.
    void RestartModel() { fresh_ = true; }
    // A new, non-solid stream: a fresh model, and the escape byte the
    // decoder assumes at the start of a stream.
    void StartStream();

  private:
    void WriteHeader(bool fresh, std::uint8_t escape, std::vector<std::uint8_t>& out) const;

    EncoderParams params_;
    std::uint8_t orderBits_;
    Model model_;
    RangeEncoder coder_;
    bool fresh_ = true;
    std::uint8_t escape_ = kStreamEscape;

    static constexpr std::uint8_t kStreamEscape = 2;
};

} // namespace rar::ppmd
