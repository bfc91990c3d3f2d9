#pragma once
// The 2.9 LZ encoder: entries go in one after another, each continuing the
// stream of the ones before (a solid archive) or starting afresh, and come
// out as the packed bytes of each entry, in order, once the block holding
// their end has been written.
#include "rar/encode/bit_writer.h"
#include "rar/encode/filters29.h"
#include "rar/encode/lz_block29.h"
#include "rar/encode/match_finder.h"
#include "rar/ppmd/encoder.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace rar::encode {

struct Settings29 {
    unsigned depth;        // three-byte chain steps per search; above 8, the
                           // eight-byte chains are kept and searched too
    unsigned niceLength;   // a match this long ends the search
    unsigned lazyLength;   // a match shorter than this waits a byte for a better one
    std::size_t blockSize; // symbols per block
    // Blocks of text are also tried with PPMd, through a model of this many
    // megabytes; 0: LZ only.
    unsigned ppmdMegabytes = 0;
    // Stretches of code or tables go through a standard filter first.
    bool filters = true;
};

constexpr Settings29 kDefault29 = {4, 32, 8, 0x8000};
constexpr Settings29 kBest29 = {16, 128, 64, 0x8000, 64};

class Encoder29 {
  public:
    // The dictionary every entry's header announces: 4 MB.
    static constexpr std::uint32_t kWindow = 0x400000;

    explicit Encoder29(const Settings29& settings);

    // Adds the next entry. `solid`: it continues the stream of the entries
    // before it (whose blocks may then span entries); otherwise it starts
    // with an empty window.
    void AddEntry(const std::uint8_t* data, std::size_t size, bool solid);
    // The same in pieces, for entries too large to hold: StartEntry with the
    // entry's whole size, then its bytes through AddData, in pieces of any
    // size; the entry ends with its last byte.
    void StartEntry(std::uint64_t size, bool solid);
    void AddData(const std::uint8_t* data, std::size_t size);
    // Writes what is still held back; every entry added is then finished.
    void Finish();
    // The packed data of finished entries, oldest first.
    std::deque<std::vector<std::uint8_t>>& Finished() { return finished_; }
    // The whole bytes written so far of the entry after the finished ones;
    // its data in Finished() then starts after them. A caller that writes
    // each entry out as it goes takes the finished ones first, then these.
    std::vector<std::uint8_t> TakeUnfinished() { return out_.TakeWholeBytes(); }
    // How many PPMd blocks went out.
    std::size_t PpmdBlocks() const { return ppmdBlocks_; }
    // How many stretches went through the filter `kind`.
    std::size_t FilteredStretches(v29::FilterKind kind) const {
        return filtered_[static_cast<std::size_t>(kind)];
    }

  private:
    // The choice at one position: a literal (length 0) or a copy.
    struct Choice {
        LzToken token;
        int gain; // bits saved against literals, roughly
    };

    void Append(const std::uint8_t* data, std::size_t size);
    // Transforms the stretches of the piece just appended that a filter
    // pays on.
    void FilterPiece(std::size_t size);
    // Filter blocks of stretches that start within the next `length` bytes.
    void EmitFilters(std::uint32_t length);
    void Parse(std::uint64_t end);
    // The best copy at `pos` that stays before `end`.
    Choice Best(std::uint64_t pos, std::uint64_t end);
    void Record(std::uint64_t upTo);
    void Emit(const LzToken& token);
    // The one place a finished stretch of symbols becomes bits; `input` is
    // the stretch of the stream the block covers. A stretch of text is coded
    // with PPMd instead when that comes out smaller.
    void WriteBlock(const std::uint8_t* input, std::size_t size);
    void WriteLz(LzBlock29& block);
    bool WroteWithPpmd(const std::uint8_t* input, std::size_t size);
    // `before[i]`: the bits PPMd spends on the block's input before byte i.
    std::vector<bool> PlanCodings(const std::vector<double>& before) const;
    void WriteMixed(const std::uint8_t* input, const std::vector<bool>& inPpmd);
    void PutPpmd(std::vector<std::uint8_t>& piece, ppmd::BlockEnd end);
    // After a PPMd block the decoder still holds the distances from before
    // it, so a repeat chosen against the dropped LZ symbols is said anew.
    void EmitRepeatAgain(const LzToken& token);
    void EndBlock();
    void Reset();

    const Settings29 settings_;
    MatchFinder finder_;
    LzBlock29 block_;
    BitWriter out_;
    std::deque<std::vector<std::uint8_t>> finished_;
    std::vector<std::uint8_t> buffer_; // the stream from `history_.start` on
    History history_;
    std::uint64_t pos_ = 0;        // the next position to parse
    std::uint64_t blockStart_ = 0; // the first position the current block covers
    std::uint64_t entryStart_ = 0; // the stream position of the current entry's first byte
    std::uint64_t entryEnd_ = 0;   // matches stop here: entries are decoded one by one
    std::uint64_t recorded_ = 0;   // positions before this are in the finder
    bool lookahead_ = false;       // `next_` holds the choice at `pos_`
    unsigned literals_ = 0;        // literals in a row just before `pos_`
    Choice next_{};
    std::uint32_t old_[4] = {};         // the decoder's old distances, newest first
    std::uint32_t blockOld_[4] = {};    // the same, as the current block starts
    std::optional<ppmd::Encoder> ppmd_; // the stream's model, continued across blocks
    std::size_t ppmdBlocks_ = 0;
    struct Filtered {
        std::uint64_t start;
        std::uint32_t length;
        FilterChoice choice;
    };
    std::deque<Filtered> filters_; // stretches whose filter block is still to go
    FilterPrograms programs_;
    std::uint64_t emitted_ = 0; // the position the next symbol starts at
    std::array<std::size_t, 6> filtered_{};
};

} // namespace rar::encode
