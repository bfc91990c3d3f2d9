#include "rar/encode/encoder29.h"

#include "rar/encode/symbols29.h"

#include <algorithm>

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
    pos_ = recorded_ = entryEnd_ = blockStart_ = emitted_ = history_.end;
    std::fill(std::begin(old_), std::end(old_), 0u);
    std::fill(std::begin(blockOld_), std::end(blockOld_), 0u);
    lookahead_ = false;
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
    entryEnd_ = history_.end + size;
}

void Encoder29::AddData(const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = std::min(kPiece, size - done);
        Append(data + done, piece);
        if (settings_.filters)
            FilterPiece(piece, done);
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

void Encoder29::FilterPiece(std::size_t size, std::uint64_t entryOffset) {
    std::uint8_t* const piece = buffer_.data() + buffer_.size() - size;
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
        const Choice here = lookahead_ ? next_ : Best(pos_, entryEnd_);
        lookahead_ = false;
        if (here.gain <= 0) {
            Emit({LzToken::Literal, 0, 1, *history_.At(pos_)});
            ++pos_;
            continue;
        }
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
    if (data && (block_.Size() >= settings_.blockSize || pos_ - blockStart_ >= kMaxBlockInput)) {
        EndBlock();
        if (token.kind == LzToken::Repeat && old_[token.repeat] != token.value)
            return EmitRepeatAgain(token);
    }
    if (data) {
        EmitFilters(token.length);
        emitted_ += token.length;
    }
    block_.Add(token);
    if (token.kind == LzToken::Match || token.kind == LzToken::ShortMatch) {
        std::copy_backward(old_, old_ + 3, old_ + 4);
        old_[0] = token.value;
    } else if (token.kind == LzToken::Repeat) {
        std::copy_backward(old_, old_ + token.repeat, old_ + token.repeat + 1);
        old_[0] = token.value;
    }
}

void Encoder29::EndBlock() {
    WriteBlock(history_.At(blockStart_), static_cast<std::size_t>(pos_ - blockStart_));
    blockStart_ = pos_;
}

void Encoder29::EmitRepeatAgain(const LzToken& token) {
    for (std::uint8_t i = 0; i < 4; ++i)
        if (old_[i] == token.value)
            return Emit({LzToken::Repeat, i, token.length, token.value});
    if (token.length >= kMinMatch + FarBonus(token.value))
        return Emit({LzToken::Match, 0, token.length, token.value});
    for (std::uint16_t i = 0; i < token.length; ++i)
        Emit({LzToken::Literal, 0, 1, *history_.At(pos_ + i)});
}

void Encoder29::WriteBlock(const std::uint8_t* input, std::size_t size) {
    if (!(ppmd_ && LooksLikeText(input, size) && WrotePpmd(input)))
        block_.Write(out_, [this](std::vector<std::uint8_t> bytes) {
            finished_.push_back(std::move(bytes));
        });
    std::copy(std::begin(old_), std::end(old_), std::begin(blockOld_));
}

// Codes the block's input with PPMd, one block per entry it touches, and
// keeps that when it is smaller than the LZ coding.
bool Encoder29::WrotePpmd(const std::uint8_t* input) {
    ppmd::Encoder trial = *ppmd_;
    std::vector<std::vector<std::uint8_t>> pieces(1);
    std::size_t ppmdBits = (8 - out_.Bits() % 8) % 8;
    std::size_t start = 0;
    std::size_t length = 0;
    for (const LzToken& token : block_.Tokens()) {
        if (token.kind == LzToken::EntryEnd) {
            trial.WriteBlock(input + start, length, ppmd::BlockEnd::EntryEnds, pieces.back());
            // The coder may have taken every packed byte before the end
            // marker; one spare byte keeps the marker read by decoders that
            // look for it only while packed bytes remain.
            pieces.back().push_back(0);
            ppmdBits += 8 * pieces.back().size();
            pieces.emplace_back();
            start += length;
            length = 0;
        } else if (token.kind == LzToken::EmptyEntry || token.kind == LzToken::Filter) {
            return false;
        } else {
            length += token.length;
        }
    }
    if (length > 0) {
        trial.WriteBlock(input + start, length, ppmd::BlockEnd::SwitchToLz, pieces.back());
        ppmdBits += 8 * pieces.back().size();
    }
    if (ppmdBits >= LzBits())
        return false;
    *ppmd_ = std::move(trial);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        out_.PutBytes(pieces[i]);
        if (i + 1 < pieces.size())
            finished_.push_back(out_.Take());
    }
    block_.Clear();
    std::copy(std::begin(blockOld_), std::end(blockOld_), std::begin(old_));
    ++ppmdBlocks_;
    return true;
}

// What the block costs as LZ, written on a copy.
std::size_t Encoder29::LzBits() const {
    LzBlock29 copy = block_;
    BitWriter scratch;
    std::size_t bits = 0;
    copy.Write(scratch,
               [&bits](const std::vector<std::uint8_t>& bytes) { bits += 8 * bytes.size(); });
    return bits + scratch.Bits();
}

} // namespace rar::encode
