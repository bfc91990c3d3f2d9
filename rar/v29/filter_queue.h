#pragma once
// Filter blocks: the programs an archive has defined so far, the blocks
// waiting for their data, and the writing out of decoded bytes through them.
#include "rar/lz/decoder.h"
#include "rar/v29/standard_filters.h"
#include "rar/v29/window.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace rar::v29 {

// The bytes of one entry, cut at its unpacked size.
class EntryOutput {
  public:
    EntryOutput(ByteSink& sink, std::uint64_t start, std::uint64_t size)
        : sink_(sink), start_(start), remaining_(size) {}
    void Write(const std::uint8_t* data, std::size_t size);
    // Where absolute position `pos` lies inside the entry.
    std::uint64_t OffsetOf(std::uint64_t pos) const { return pos - start_; }
    std::uint64_t Remaining() const { return remaining_; }

  private:
    ByteSink& sink_;
    std::uint64_t start_;
    std::uint64_t remaining_;
};

class FilterQueue {
  public:
    // Forgets every program and pending block (a new non-solid entry, or the
    // stream asked for it).
    void Reset();
    // Blocks announced by one entry never reach into the next.
    void DropPending() { pending_.clear(); }
    // Reads a filter block: its first byte and the bytes that follow it.
    // `pos` is the decoding position when the block was met.
    void Add(std::uint8_t flags, const std::vector<std::uint8_t>& body, std::uint64_t pos);
    // Hands every decoded byte on to `out`, running the filters whose blocks
    // are complete; stops before a block still being decoded.
    void WriteOut(Window& window, EntryOutput& out);

  private:
    struct Pending {
        FilterKind kind;
        std::uint64_t start;
        std::uint32_t length;
        FilterRegisters registers;
    };

    void WriteRaw(Window& window, EntryOutput& out, std::uint64_t end);
    void RunBlock(std::size_t index, Window& window, EntryOutput& out);
    std::uint8_t* Memory();

    std::vector<FilterKind> programs_;
    std::vector<std::uint32_t> lastLengths_; // per program, for blocks that omit it
    std::size_t lastProgram_ = 0;
    std::vector<Pending> pending_;
    std::unique_ptr<std::uint8_t[]> memory_;
};

} // namespace rar::v29
