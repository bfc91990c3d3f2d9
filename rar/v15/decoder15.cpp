#include "rar/v15/decoder15.h"

#include "rar/v15/ranked_set.h"
#include "rar/v15/step_code.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace rar {
namespace {

using v15::BitReader;
using v15::RankedSet;
using v15::ReadStep;
using v15::StepCode;

constexpr std::size_t kWindow = 0x10000;
constexpr std::size_t kMask = kWindow - 1;
// Flushing once this much is pending leaves room for the longest match.
constexpr std::size_t kFlushAt = kWindow / 2;

// Short match lengths: prefix (top bits of a byte) and bit count, by length
// index. Index 1 (table 1) or 3 (table 2) has a length that the stream
// itself toggles. The last entry matches anything, so a search always ends.
const unsigned kShortPrefix1[16] = {0,    0xa0, 0xd0, 0xe0, 0xf0, 0xf8, 0xfc, 0xfe,
                                    0xff, 0xc0, 0x80, 0x90, 0x98, 0x9c, 0xb0, 0};
const unsigned kShortBits1[16] = {1, 3, 4, 4, 5, 6, 7, 8, 8, 4, 4, 5, 6, 6, 4, 0};
const unsigned kShortPrefix2[16] = {0,    0x40, 0x60, 0xa0, 0xd0, 0xe0, 0xf0, 0xf8,
                                    0xfc, 0xc0, 0x80, 0x90, 0x98, 0x9c, 0xb0, 0};
const unsigned kShortBits2[16] = {2, 3, 3, 3, 4, 4, 5, 6, 6, 4, 4, 5, 6, 6, 4, 0};

class Decoder15 : public Decoder {
  public:
    Decoder15() : window_(kWindow) { ResetModel(); }

    void Decode(ByteSource& packed, std::uint64_t unpackedSize, ByteSink& out,
                bool solid) override {
        if (unpackedSize > static_cast<std::uint64_t>(INT64_MAX))
            throw DataError("entry size out of range");
        if (!solid)
            ResetModel();
        BitReader in(packed);
        in_ = &in;
        out_ = &out;
        toWrite_ = unpackedSize;
        flushFrom_ = pos_;
        left_ = static_cast<std::int64_t>(unpackedSize) - 1;
        flagBits_ = 0;
        flagsLeft_ = 0;
        byteMode_ = false;
        repeats_ = 0;
        if (left_ >= 0) {
            ReadFlags();
            flagsLeft_ = 8;
        }
        while (left_ >= 0) {
            Step();
            in.CheckNotOverrun();
            if (Pending() >= kFlushAt)
                Flush();
        }
        Flush();
    }

  private:
    void ResetModel() {
        std::fill(window_.begin(), window_.end(), std::uint8_t{0});
        pos_ = 0;
        literals_.Fill([](unsigned i) { return i; });
        distances_.Fill([](unsigned i) { return i; });
        distances_.Rebalance();
        flags_.Fill([](unsigned i) { return (256 - i) & 0xff; });
        for (unsigned i = 0; i < 256; ++i)
            shortPlaces_[i] = static_cast<std::uint8_t>(i);
        avgLiteralPlace_ = 0x3500;
        avgDistancePlace_ = 0;
        avgShortLength_ = 0;
        avgLongLength_ = 0;
        avgLongRun_ = 0;
        literalRun_ = 0;
        altShortLength_ = 0;
        longThreshold_ = 0x2001;
        literalWeight_ = 0x80;
        matchWeight_ = 0x80;
        for (unsigned& d : oldDist_)
            d = 0;
        oldDistPos_ = 0;
        lastDist_ = 0;
        lastLength_ = 0;
    }

    // One item: a literal, a match, or a switch of the stream's own modes.
    void Step() {
        if (byteMode_) {
            Literal();
            return;
        }
        bool literalsWin = literalWeight_ >= matchWeight_;
        if (NextFlag()) {
            literalsWin ? Literal() : LongMatch();
        } else if (NextFlag()) {
            literalsWin ? LongMatch() : Literal();
        } else {
            ShortMatch();
        }
    }

    bool NextFlag() {
        if (--flagsLeft_ < 0) {
            ReadFlags();
            flagsLeft_ = 7;
        }
        bool set = (flagBits_ & 0x80) != 0;
        flagBits_ <<= 1;
        return set;
    }

    void ReadFlags() {
        unsigned place = ReadStep(*in_, v15::PlaceCode(2));
        // Place 256 is never written; in a damaged stream it leaves the
        // previous flags in force.
        if (place < 256)
            flagBits_ = flags_.Use(place, 0xff);
    }

    const StepCode& LiteralPlaceCode() const {
        if (avgLiteralPlace_ > 0x75ff)
            return v15::PlaceCode(4);
        if (avgLiteralPlace_ > 0x5dff)
            return v15::PlaceCode(3);
        if (avgLiteralPlace_ > 0x35ff)
            return v15::PlaceCode(2);
        if (avgLiteralPlace_ > 0x0dff)
            return v15::PlaceCode(1);
        return v15::PlaceCode(0);
    }

    void Literal() {
        unsigned peeked = in_->Peek(16);
        unsigned place = ReadStep(*in_, LiteralPlaceCode()) & 0xff;
        if (byteMode_) {
            // In byte mode place 0 escapes; the others move down by one.
            if (place == 0 && peeked > 0xfff)
                place = 0x100;
            if (place-- == 0) {
                ByteModeEscape();
                return;
            }
        } else if (literalRun_++ >= 16 && flagsLeft_ == 0) {
            byteMode_ = true;
        }
        avgLiteralPlace_ += place;
        avgLiteralPlace_ -= avgLiteralPlace_ >> 8;
        literalWeight_ += 16;
        if (literalWeight_ > 0xff) {
            literalWeight_ = 0x90;
            matchWeight_ >>= 1;
        }
        Put(static_cast<std::uint8_t>(literals_.Use(place, 0xa1)));
    }

    void ByteModeEscape() {
        unsigned bits = in_->Peek(16);
        in_->Skip(1);
        if (bits & 0x8000) {
            byteMode_ = false;
            literalRun_ = 0;
            return;
        }
        unsigned length = (bits & 0x4000) ? 4 : 3;
        in_->Skip(1);
        unsigned distance = ReadStep(*in_, v15::PlaceCode(2));
        distance = (distance << 5) | (in_->Peek(16) >> 11);
        in_->Skip(5);
        Copy(distance, length);
    }

    void ShortMatch() {
        literalRun_ = 0;
        unsigned bits = in_->Peek(16);
        if (repeats_ == 2) {
            in_->Skip(1);
            if (bits >= 0x8000) {
                Copy(lastDist_, lastLength_);
                return;
            }
            bits <<= 1;
            repeats_ = 0;
        }
        bits >>= 8;
        unsigned index = ShortLengthIndex(bits);
        if (index >= 9) {
            ShortMatchSpecial(index);
            return;
        }
        repeats_ = 0;
        avgShortLength_ += index;
        avgShortLength_ -= avgShortLength_ >> 4;

        unsigned place = ReadStep(*in_, v15::PlaceCode(2)) & 0xff;
        unsigned distance = shortPlaces_[place];
        if (place != 0) {
            shortPlaces_[place] = shortPlaces_[place - 1];
            shortPlaces_[place - 1] = static_cast<std::uint8_t>(distance);
        }
        Remember(distance + 1, index + 2);
    }

    // Finds and consumes the short length code at the top of `byte`.
    unsigned ShortLengthIndex(unsigned byte) {
        bool first = avgShortLength_ < 37;
        const unsigned* prefixes = first ? kShortPrefix1 : kShortPrefix2;
        const unsigned* widths = first ? kShortBits1 : kShortBits2;
        unsigned toggled = first ? 1 : 3;
        for (unsigned index = 0;; ++index) {
            unsigned width = index == toggled ? altShortLength_ + 3 : widths[index];
            if (((byte ^ prefixes[index]) & ~(0xffu >> width) & 0xff) == 0) {
                in_->Skip(width);
                return index;
            }
        }
    }

    // Indices 9 and up: repeat the last match, take a recent distance, or a
    // far distance with its own length.
    void ShortMatchSpecial(unsigned index) {
        if (index == 9) {
            ++repeats_;
            Copy(lastDist_, lastLength_);
            return;
        }
        repeats_ = 0;
        if (index == 14) {
            unsigned length = ReadStep(*in_, v15::LengthCodeB()) + 5;
            unsigned distance = (in_->Peek(16) >> 1) | 0x8000;
            in_->Skip(15);
            lastLength_ = length;
            lastDist_ = distance;
            Copy(distance, length);
            return;
        }
        unsigned distance = oldDist_[(oldDistPos_ - (index - 9)) & 3];
        unsigned length = ReadStep(*in_, v15::LengthCodeA()) + 2;
        if (length == 0x101 && index == 10) {
            altShortLength_ ^= 1;
            return;
        }
        if (distance > 256)
            ++length;
        if (distance >= longThreshold_)
            ++length;
        Remember(distance, length);
    }

    void LongMatch() {
        literalRun_ = 0;
        matchWeight_ += 16;
        if (matchWeight_ > 0xff) {
            matchWeight_ = 0x90;
            literalWeight_ >>= 1;
        }
        unsigned oldLongLength = avgLongLength_;
        unsigned length = LongLength();
        avgLongLength_ += length;
        avgLongLength_ -= avgLongLength_ >> 5;

        const StepCode& code = avgDistancePlace_ > 0x28ff  ? v15::PlaceCode(2)
                               : avgDistancePlace_ > 0x6ff ? v15::PlaceCode(1)
                                                           : v15::PlaceCode(0);
        unsigned place = ReadStep(*in_, code);
        avgDistancePlace_ += place;
        avgDistancePlace_ -= avgDistancePlace_ >> 8;
        unsigned high = distances_.Use(place, 0xff);
        unsigned distance = ((high << 8) | (in_->Peek(16) >> 8)) >> 1;
        in_->Skip(7);

        unsigned oldLongRun = avgLongRun_;
        if (length != 1 && length != 4) {
            if (length == 0 && distance <= longThreshold_) {
                ++avgLongRun_;
                avgLongRun_ -= avgLongRun_ >> 8;
            } else if (avgLongRun_ > 0) {
                --avgLongRun_;
            }
        }
        length += 3;
        if (distance >= longThreshold_)
            ++length;
        if (distance <= 256)
            length += 8;
        bool farData = oldLongRun > 0xb0 || (avgLiteralPlace_ >= 0x2a00 && oldLongLength < 0x40);
        longThreshold_ = farData ? 0x7f00 : 0x2001;
        Remember(distance, length);
    }

    unsigned LongLength() {
        if (avgLongLength_ >= 122)
            return ReadStep(*in_, v15::LengthCodeB());
        if (avgLongLength_ >= 64)
            return ReadStep(*in_, v15::LengthCodeA());
        unsigned bits = in_->Peek(16);
        if (bits < 0x100) {
            in_->Skip(16);
            return bits;
        }
        unsigned zeros = 0;
        while (((bits << zeros) & 0x8000) == 0)
            ++zeros;
        in_->Skip(zeros + 1);
        return zeros;
    }

    void Remember(unsigned distance, unsigned length) {
        oldDist_[oldDistPos_] = distance;
        oldDistPos_ = (oldDistPos_ + 1) & 3;
        lastLength_ = length;
        lastDist_ = distance;
        Copy(distance, length);
    }

    void Put(std::uint8_t byte) {
        window_[pos_] = byte;
        pos_ = (pos_ + 1) & kMask;
        --left_;
    }

    void Copy(unsigned distance, unsigned length) {
        left_ -= length;
        for (; length != 0; --length) {
            window_[pos_] = window_[(pos_ - distance) & kMask];
            pos_ = (pos_ + 1) & kMask;
        }
    }

    std::size_t Pending() const { return (pos_ - flushFrom_) & kMask; }

    void Flush() {
        while (flushFrom_ != pos_ && toWrite_ != 0) {
            std::size_t end = pos_ > flushFrom_ ? pos_ : kWindow;
            std::size_t size = std::min<std::uint64_t>(end - flushFrom_, toWrite_);
            out_->Write(window_.data() + flushFrom_, size);
            toWrite_ -= size;
            flushFrom_ = (flushFrom_ + size) & kMask;
        }
        flushFrom_ = pos_;
    }

    std::vector<std::uint8_t> window_;
    std::size_t pos_ = 0;
    std::size_t flushFrom_ = 0;
    std::uint64_t toWrite_ = 0;
    std::int64_t left_ = 0;
    BitReader* in_ = nullptr;
    ByteSink* out_ = nullptr;

    RankedSet literals_;
    RankedSet distances_;
    RankedSet flags_;
    std::uint8_t shortPlaces_[256];

    unsigned flagBits_ = 0;
    int flagsLeft_ = 0;
    bool byteMode_ = false;
    unsigned repeats_ = 0;

    // Running averages and weights that pick codes and item kinds.
    unsigned avgLiteralPlace_ = 0;
    unsigned avgDistancePlace_ = 0;
    unsigned avgShortLength_ = 0;
    unsigned avgLongLength_ = 0;
    unsigned avgLongRun_ = 0;
    unsigned literalRun_ = 0;
    unsigned altShortLength_ = 0;
    unsigned longThreshold_ = 0;
    unsigned literalWeight_ = 0;
    unsigned matchWeight_ = 0;

    unsigned oldDist_[4] = {};
    unsigned oldDistPos_ = 0;
    unsigned lastDist_ = 0;
    unsigned lastLength_ = 0;
};

} // namespace

std::unique_ptr<Decoder> MakeDecoder15(std::size_t) {
    return std::make_unique<Decoder15>();
}

} // namespace rar
