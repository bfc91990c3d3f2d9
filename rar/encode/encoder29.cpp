#include "rar/encode/encoder29.h"

#include "rar/encode/symbols29.h"

#include <algorithm>
#include <cstring>

namespace rar::encode {

using namespace v29;

namespace {

// Input is taken in pieces of this size, and the buffer keeps a window of
// history before the piece being parsed.
constexpr std::size_t kPiece = 0x100000;
// Distances stop short of the window, so that no decoder has to care how
// it keeps the bytes it has not written out yet.
constexpr std::uint32_t kMaxDistance = Encoder29::kWindow - 0x1000;
// A block also ends after this much input, which keeps the input it covers
// in the buffer until it is written.
constexpr std::uint64_t kMaxBlockInput = 0x100000;

// After this many literals in a row the input looks incompressible, and
// only anchors are looked up and recorded: positions whose next four bytes
// hash to one value in kAnchorEvery. A later copy of the same bytes has the
// same anchors, so it is still found a few bytes into it, while the search
// and the recording of every other position are saved.
constexpr unsigned kLiteralsBeforeAnchors = 256;
constexpr unsigned kAnchorEvery = 16;

bool IsAnchor(const History& history, std::uint64_t pos) {
    if (pos + 4 > history.end)
        return true;
    std::uint32_t bytes;
    std::memcpy(&bytes, history.At(pos), sizeof bytes);
    return (bytes * 2654435761u) >> 28 == 0;
}
static_assert(kAnchorEvery == 16, "IsAnchor keeps the top four bits");

// Rough code sizes in bits, for choosing between copies before the block's
// codes exist.
constexpr int kLiteralBits = 8;

// PPMd pays on text; a block with fewer printable bytes than this share is
// left to LZ without a trial.
constexpr unsigned kTextPercent = 90;
// Order 16 with 64 MB came out 13 % smaller than order 8 with 32 MB on C++
// headers, decoding half as fast (about 5 MB/s against 10).
constexpr unsigned kPpmdOrder = 16;

// The decoder adds an entry offset to call targets in 32 bits; far into
// a huge entry that would wrap, so stretches there stay as they are.
constexpr std::uint64_t kMaxFilteredOffset = 0x40000000;
static_assert(kPiece % kFilterStretch == 0, "stretches must not span pieces");

bool LooksLikeText(const std::uint8_t* input, std::size_t size) {
    std::size_t text = 0;
    for (std::size_t i = 0; i < size; ++i)
        text += (input[i] >= 0x20 && input[i] < 0x7F) || input[i] == '\n' || input[i] == '\r' ||
                input[i] == '\t';
    return size > 0 && text * 100 >= size * kTextPercent;
}

int LengthBits(std::uint32_t value) {
    return 4 + static_cast<int>(LengthSlot(value).bits);
}

int DistanceBits(std::uint32_t distance) {
    const Slot slot = DistanceSlot(distance - 1);
    return 5 + static_cast<int>(slot.bits) - (slot.symbol >= kFirstLowDistanceSlot ? 1 : 0);
}

// What switching between the two codings costs besides the symbols, in
// bits, roughly: ending an LZ block and starting a PPMd one; ending a PPMd
// block (escape, code and the coder's last four bytes) before LZ codes are
// sent again; ending an entry in PPMd, with the spare byte and the next
// entry's header.
constexpr double kLzToPpmd = 32;
constexpr double kPpmdEnd = 48;
constexpr double kPpmdEntryEnd = 72;

// The decoder's old distances after `token`, newest first.
void Remember(std::uint32_t (&old)[4], const LzToken& token) {
    if (token.kind == LzToken::Match || token.kind == LzToken::ShortMatch) {
        std::copy_backward(old, old + 3, old + 4);
        old[0] = token.value;
    } else if (token.kind == LzToken::Repeat) {
        std::copy_backward(old, old + token.repeat, old + token.repeat + 1);
        old[0] = token.value;
    }
}

// A repeat of `token`'s distance said again to a decoder holding `old`: by
// the index it has there, as a new distance, or as the bytes themselves.
template <class Add>
void RepeatAgain(const std::uint32_t (&old)[4], const LzToken& token, const std::uint8_t* bytes,
                 Add add) {
    for (std::uint8_t i = 0; i < 4; ++i)
        if (old[i] == token.value)
            return add({LzToken::Repeat, i, token.length, token.value});
    if (token.length >= kMinMatch + FarBonus(token.value))
        return add({LzToken::Match, 0, token.length, token.value});
    for (std::uint16_t i = 0; i < token.length; ++i)
        add({LzToken::Literal, 0, 1, bytes[i]});
}

} // namespace

Encoder29::Encoder29(const Settings29& settings)
    : settings_(settings), finder_(kWindow, kMaxDistance, settings.depth, settings.niceLength) {
    if (settings.ppmdMegabytes != 0)
        ppmd_.emplace(ppmd::EncoderParams{kPpmdOrder, settings.ppmdMegabytes});
    buffer_.reserve(2 * kWindow + kPiece);
    Reset();
}

void Encoder29::Reset() {
    buffer_.clear();
    history_.data = buffer_.data();
    history_.start = history_.end;
    pos_ = recorded_ = entryStart_ = entryEnd_ = blockStart_ = emitted_ = history_.end;
    std::fill(std::begin(old_), std::end(old_), 0u);
    std::fill(std::begin(blockOld_), std::end(blockOld_), 0u);
    lookahead_ = false;
    literals_ = 0;
    filters_.clear();
    programs_.Reset();
    if (ppmd_)
        ppmd_->StartStream();
}

void Encoder29::AddEntry(const std::uint8_t* data, std::size_t size, bool solid) {
    StartEntry(size, solid);
    AddData(data, size);
}

void Encoder29::StartEntry(std::uint64_t size, bool solid) {
    if (!solid) {
        Finish();
        Reset();
    }
    if (size == 0)
        block_.Add({LzToken::EmptyEntry, 0, 0, 0});
    entryStart_ = history_.end;
    entryEnd_ = history_.end + size;
}

void Encoder29::AddData(const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = std::min(kPiece, size - done);
        Append(data + done, piece);
        if (settings_.filters)
            FilterPiece(piece);
        done += piece;
        if (history_.end == entryEnd_) {
            Parse(entryEnd_);
            Emit({LzToken::EntryEnd, 0, 0, 0});
        } else if (history_.end - pos_ > kMaxMatch + 2) {
            // Leave the tail of a piece for the next, when a longest match
            // and the look one byte ahead can see all they may need.
            Parse(history_.end - kMaxMatch - 2);
        }
    }
}

void Encoder29::Finish() {
    if (!block_.Empty())
        EndBlock();
}

void Encoder29::Append(const std::uint8_t* data, std::size_t size) {
    if (buffer_.size() + size > buffer_.capacity()) {
        // Everything unparsed is within the last piece; keep a window before it.
        const std::size_t drop = buffer_.size() - kWindow;
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop));
        history_.start += drop;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    history_.data = buffer_.data();
    history_.end += size;
}

void Encoder29::FilterPiece(std::size_t size) {
    std::uint8_t* const piece = buffer_.data() + buffer_.size() - size;
    // The decoder offsets call targets from the start of the entry, however
    // the entry's bytes were handed over.
    const std::uint64_t entryOffset = history_.end - size - entryStart_;
    for (std::size_t at = 0; at < size && entryOffset + at < kMaxFilteredOffset;
         at += kFilterStretch) {
        const std::size_t length = std::min(kFilterStretch, size - at);
        const std::optional<FilterChoice> choice = ChooseFilter(piece + at, length);
        if (!choice)
            continue;
        ApplyFilter(*choice, piece + at, length, static_cast<std::uint32_t>(entryOffset + at));
        filters_.push_back({history_.end - size + at, static_cast<std::uint32_t>(length), *choice});
        ++filtered_[static_cast<std::size_t>(choice->kind)];
    }
}

void Encoder29::EmitFilters(std::uint32_t length) {
    while (!filters_.empty() && filters_.front().start < emitted_ + length) {
        const Filtered& next = filters_.front();
        block_.AddFilter(programs_.Block(
            next.choice, static_cast<std::uint32_t>(next.start - emitted_), next.length));
        filters_.pop_front();
    }
}

void Encoder29::Parse(std::uint64_t end) {
    while (pos_ < end) {
        if (!lookahead_ && literals_ >= kLiteralsBeforeAnchors && !IsAnchor(history_, pos_)) {
            Record(pos_);
            recorded_ = pos_ + 1; // not an anchor: nothing will look for it
            Emit({LzToken::Literal, 0, 1, *history_.At(pos_)});
            ++pos_;
            ++literals_;
            continue;
        }
        const Choice here = lookahead_ ? next_ : Best(pos_, entryEnd_);
        lookahead_ = false;
        if (here.gain <= 0) {
            Emit({LzToken::Literal, 0, 1, *history_.At(pos_)});
            ++pos_;
            ++literals_;
            continue;
        }
        literals_ = 0;
        if (here.token.length < settings_.lazyLength && pos_ + 1 < end) {
            next_ = Best(pos_ + 1, entryEnd_);
            if (next_.gain > here.gain) {
                lookahead_ = true;
                Emit({LzToken::Literal, 0, 1, *history_.At(pos_)});
                ++pos_;
                continue;
            }
        }
        Emit(here.token);
        pos_ += here.token.length;
        Record(pos_);
    }
}

// Records positions up to `upTo` in the match finder; each position is
// recorded once, after its two-byte match was asked for.
void Encoder29::Record(std::uint64_t upTo) {
    for (; recorded_ < upTo; ++recorded_)
        if (recorded_ + 2 <= history_.end)
            finder_.Insert(history_, recorded_);
}

Encoder29::Choice Encoder29::Best(std::uint64_t pos, std::uint64_t end) {
    Record(pos);
    const std::uint32_t pair = finder_.NearestPair(history_, pos);
    Record(pos + 1);
    const auto left = static_cast<unsigned>(std::min<std::uint64_t>(end - pos, kMaxMatch));
    const std::uint64_t reach = pos - history_.start;

    Choice best{{LzToken::Literal, 0, 1, 0}, 0};
    auto consider = [&best](const LzToken& token, int cost) {
        const int gain = kLiteralBits * token.length - cost;
        if (gain > best.gain)
            best = {token, gain};
    };
    for (unsigned i = 0; i < 4; ++i) {
        const std::uint32_t distance = old_[i];
        if (distance == 0 || distance > reach)
            continue;
        const unsigned length =
            history_.MatchLength(pos, distance, std::min<unsigned>(left, kMaxRepeat));
        if (length >= 2)
            consider({LzToken::Repeat, static_cast<std::uint8_t>(i),
                      static_cast<std::uint16_t>(length), distance},
                     5 + (i > 0) + LengthBits(length - 2));
    }
    const Candidate match = finder_.Longest(history_, pos, left);
    if (match.length >= kMinMatch + FarBonus(match.distance))
        consider({LzToken::Match, 0, static_cast<std::uint16_t>(match.length), match.distance},
                 6 + LengthBits(match.length - kMinMatch - FarBonus(match.distance)) +
                     DistanceBits(match.distance));
    if (pair != 0 && pair <= kMaxShortDistance && left >= 2)
        consider({LzToken::ShortMatch, 0, 2, pair}, 7 + static_cast<int>(ShortSlot(pair).bits));
    return best;
}

void Encoder29::Emit(const LzToken& token) {
    const bool data = token.kind != LzToken::EntryEnd && token.kind != LzToken::EmptyEntry;
    if (data && (block_.Size() >= settings_.blockSize || pos_ - blockStart_ >= kMaxBlockInput))
        EndBlock();
    // A block coded with PPMd, wholly or in part, leaves the decoder's
    // distances as they were before it. That may have happened here or
    // at the literal before, while this token waited as the look ahead.
    if (token.kind == LzToken::Repeat && old_[token.repeat] != token.value)
        return EmitRepeatAgain(token);
    if (data) {
        EmitFilters(token.length);
        emitted_ += token.length;
    }
    block_.Add(token);
    Remember(old_, token);
}

void Encoder29::EndBlock() {
    WriteBlock(history_.At(blockStart_), static_cast<std::size_t>(pos_ - blockStart_));
    blockStart_ = pos_;
}

void Encoder29::EmitRepeatAgain(const LzToken& token) {
    RepeatAgain(old_, token, history_.At(pos_), [this](const LzToken& again) { Emit(again); });
}

void Encoder29::WriteBlock(const std::uint8_t* input, std::size_t size) {
    if (!(ppmd_ && LooksLikeText(input, size) && WroteWithPpmd(input, size)))
        WriteLz(block_);
    std::copy(std::begin(old_), std::end(old_), std::begin(blockOld_));
}

void Encoder29::WriteLz(LzBlock29& block) {
    block.Write(out_,
                [this](std::vector<std::uint8_t> bytes) { finished_.push_back(std::move(bytes)); });
}

// Tries the block with PPMd on a copy of the model, which gives each token
// its cost in PPMd; the block's own LZ codes give its cost in LZ. The
// cheapest sequence of codings, paying for each switch, is written: all LZ
// (false), all PPMd, or PPMd for the stretches that LZ codes poorly, such
// as text the window has not seen between long copies of text it has.
bool Encoder29::WroteWithPpmd(const std::uint8_t* input, std::size_t size) {
    const std::vector<LzToken>& tokens = block_.Tokens();
    if (std::any_of(tokens.begin(), tokens.end(), [](const LzToken& token) {
            return token.kind == LzToken::EmptyEntry || token.kind == LzToken::Filter;
        }))
        return false;
    ppmd::Encoder trial = *ppmd_;
    std::vector<std::vector<std::uint8_t>> pieces(1);
    std::vector<double> before(size + 1, 0.0); // PPMd bits spent before byte i
    std::size_t start = 0;
    std::size_t at = 0;
    auto code = [&](ppmd::BlockEnd end) {
        trial.WriteBlock(input + start, at - start, end, pieces.back(), before.data() + start + 1);
        for (std::size_t i = start + 1; i <= at; ++i)
            before[i] += before[start];
        start = at;
    };
    for (const LzToken& token : tokens) {
        if (token.kind != LzToken::EntryEnd) {
            at += token.length;
            continue;
        }
        code(ppmd::BlockEnd::EntryEnds);
        pieces.emplace_back();
    }
    if (at > start)
        code(ppmd::BlockEnd::SwitchToLz);

    const std::vector<bool> inPpmd = PlanCodings(before);
    if (std::none_of(inPpmd.begin(), inPpmd.end(), [](bool ppmd) { return ppmd; }))
        return false;
    if (std::all_of(inPpmd.begin(), inPpmd.end(), [](bool ppmd) { return ppmd; })) {
        *ppmd_ = std::move(trial);
        // Every piece but the last ends its entry; the last, when there is
        // one, switches to LZ.
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const bool last = i + 1 == pieces.size();
            if (!last || !pieces[i].empty())
                PutPpmd(pieces[i], last ? ppmd::BlockEnd::SwitchToLz : ppmd::BlockEnd::EntryEnds);
        }
        block_.Clear();
        std::copy(std::begin(blockOld_), std::end(blockOld_), std::begin(old_));
        return true;
    }
    WriteMixed(input, inPpmd);
    return true;
}

// Writes out one coded PPMd block, handing over its entry's packed bytes when
// it ends the entry.
void Encoder29::PutPpmd(std::vector<std::uint8_t>& piece, ppmd::BlockEnd end) {
    const bool entryEnds = end == ppmd::BlockEnd::EntryEnds;
    // The coder may have taken every packed byte before the end marker; one
    // spare byte keeps the marker read by decoders that look for it only while
    // packed bytes remain.
    if (entryEnds)
        piece.push_back(0);
    out_.PutBytes(piece);
    if (entryEnds)
        finished_.push_back(out_.Take());
    ++ppmdBlocks_;
}

// For each token of the block, whether PPMd codes it: the cheapest path
// through the tokens in two states, LZ and PPMd.
std::vector<bool> Encoder29::PlanCodings(const std::vector<double>& before) const {
    const std::vector<LzToken>& tokens = block_.Tokens();
    const LzCosts lz = block_.Costs();
    const auto header = static_cast<double>(lz.header);
    // came[i][s]: the state token i - 1 was in, when token i is in state s.
    std::vector<std::array<bool, 2>> came(tokens.size());
    double cost[2] = {header, kLzToPpmd};
    std::size_t at = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == LzToken::EntryEnd) {
            cost[0] += lz.tokens[i];
            cost[1] += kPpmdEntryEnd;
            came[i] = {false, true};
            continue;
        }
        const double ppmd = before[at + tokens[i].length] - before[at];
        at += tokens[i].length;
        const double intoLz = cost[1] + kPpmdEnd + header;
        const double intoPpmd = cost[0] + kLzToPpmd;
        came[i] = {intoLz < cost[0], !(intoPpmd < cost[1])};
        cost[0] = std::min(cost[0], intoLz) + lz.tokens[i];
        cost[1] = std::min(cost[1], intoPpmd) + ppmd;
    }
    if (!tokens.empty() && tokens.back().kind != LzToken::EntryEnd)
        cost[1] += kPpmdEnd;
    std::vector<bool> inPpmd(tokens.size());
    bool state = cost[1] < cost[0];
    for (std::size_t i = tokens.size(); i-- > 0;) {
        inPpmd[i] = state;
        state = came[i][state];
    }
    return inPpmd;
}

// Writes the block's tokens in the codings planned, each stretch of them as
// a block of its own. PPMd leaves the decoder's old distances alone, so the
// repeats of LZ stretches after one are said again to what it holds.
void Encoder29::WriteMixed(const std::uint8_t* input, const std::vector<bool>& inPpmd) {
    const std::vector<LzToken> tokens = block_.Tokens();
    block_.Clear();
    std::copy(std::begin(blockOld_), std::end(blockOld_), std::begin(old_));
    LzBlock29 lz;
    std::size_t at = 0;
    std::size_t stretch = 0; // where the open PPMd stretch starts
    bool open = false;
    auto closePpmd = [&](ppmd::BlockEnd end) {
        std::vector<std::uint8_t> piece;
        ppmd_->WriteBlock(input + stretch, at - stretch, end, piece);
        PutPpmd(piece, end);
        open = false;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const LzToken& token = tokens[i];
        if (inPpmd[i]) {
            if (!lz.Empty())
                WriteLz(lz);
            if (!open)
                stretch = at;
            if (token.kind == LzToken::EntryEnd) {
                closePpmd(ppmd::BlockEnd::EntryEnds);
                continue;
            }
            open = true;
            at += token.length;
            continue;
        }
        if (open)
            closePpmd(ppmd::BlockEnd::SwitchToLz);
        auto add = [&](const LzToken& again) {
            lz.Add(again);
            Remember(old_, again);
        };
        if (token.kind == LzToken::Repeat && old_[token.repeat] != token.value)
            RepeatAgain(old_, token, input + at, add);
        else
            add(token);
        at += token.length;
    }
    if (open)
        closePpmd(ppmd::BlockEnd::SwitchToLz);
    if (!lz.Empty())
        WriteLz(lz);
}

} // namespace rar::encode
