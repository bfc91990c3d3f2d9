#include "rar/ppmd/model.h"
#include "rar/ppmd/model_steps.h"

#include <algorithm>
#include <cstring>

namespace rar::ppmd {

namespace {

// The decoder learns which symbol was coded from where the code's count falls
// among the intervals.
class Decoding {
  public:
    explicit Decoding(RangeDecoder& coder) : coder_(coder) {}

    // The binary context's one symbol, which takes bs of 2^kTotalBits?
    bool BinHit(unsigned bs, std::uint8_t) { return coder_.CurrentShiftCount(kTotalBits) < bs; }
    void Scale(std::uint32_t scale) {
        count_ = coder_.CurrentCount(scale);
        if (count_ >= scale)
            throw DataError("corrupt PPMd data");
    }
    // The state at `p`, whose interval ends at `high`?
    bool Hit(std::uint32_t, unsigned high) const { return count_ < high; }
    // None of `n` candidates, whose intervals end at `total`?
    bool Escapes(unsigned total, const std::uint32_t*, unsigned) const { return count_ >= total; }
    void Code(std::uint32_t low, std::uint32_t high) { coder_.Remove(low, high); }
    void Normalize() { coder_.Normalize(); }

  private:
    RangeDecoder& coder_;
    std::uint32_t count_ = 0;
};

} // namespace

void Model::See2::Init(unsigned value) {
    shift = kPeriodBits - 4;
    summ = static_cast<std::uint16_t>(value << shift);
    count = 4;
}

unsigned Model::See2::Mean() {
    unsigned mean = summ >> shift;
    summ = static_cast<std::uint16_t>(summ - mean);
    return mean + (mean == 0);
}

void Model::See2::Update() {
    if (shift < kPeriodBits && --count == 0) {
        summ = static_cast<std::uint16_t>(summ * 2);
        count = static_cast<std::uint8_t>(3 << shift++);
    }
}

void Model::Store(std::uint32_t s, const State& v) {
    std::uint8_t* record = mem_.heap.Record(s);
    record[0] = v.symbol;
    record[1] = v.freq;
    std::memcpy(record + 2, &v.successor, 4);
}

void Model::Swap(std::uint32_t a, std::uint32_t b) {
    State t = Load(a);
    Store(a, Load(b));
    Store(b, t);
}

void Model::StartBlock(BytePuller& in, std::uint8_t& escape) {
    unsigned flags = in.Next();
    bool reset = (flags & 0x20) != 0;
    unsigned megabytes = 0;
    if (reset)
        megabytes = in.Next();
    else if (!mem_.Started())
        throw DataError("PPMd block continues a model that does not exist");
    if (flags & 0x40)
        escape = in.Next();
    coder_.Start(in);
    if (reset) {
        unsigned order = (flags & 0x1F) + 1;
        if (order > 16)
            order = 16 + (order - 16) * 3;
        if (order == 1) {
            mem_.Stop();
            minContext_ = 0;
            throw DataError("PPMd block of order 1");
        }
        StartModel(order, megabytes + 1);
    }
    if (minContext_ == 0)
        throw DataError("PPMd block without a model");
}

void Model::StartModel(unsigned maxOrder, unsigned megabytes) {
    mem_.Start(megabytes);
    escCount_ = 1;
    maxOrder_ = static_cast<int>(maxOrder);
    Restart();
    dummySee2_.shift = kPeriodBits;
    dummySee2_.summ = 0;
    dummySee2_.count = 64;
}

void Model::Restart() {
    charMask_.fill(0);
    mem_.Init();
    initRL_ = -std::min(maxOrder_, 12) - 1;
    minContext_ = maxContext_ = mem_.AllocContext();
    SetSuffix(minContext_, 0);
    orderFall_ = maxOrder_;
    SetNumStats(minContext_, 256);
    SetSummFreq(minContext_, 257);
    std::uint32_t stats = mem_.AllocUnits(256 / 2);
    foundState_ = stats;
    SetStats(minContext_, stats);
    runLength_ = initRL_;
    prevSuccess_ = 0;
    for (unsigned i = 0; i < 256; ++i)
        Store(stats + i * kStateSize, {static_cast<std::uint8_t>(i), 1, 0});
    for (unsigned i = 0; i < 128; ++i)
        for (unsigned k = 0; k < 8; ++k)
            for (unsigned m = 0; m < 64; m += 8)
                binSumm_[i][k + m] =
                    static_cast<std::uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
    for (unsigned i = 0; i < 25; ++i)
        for (auto& see : see2_[i])
            see.Init(5 * i + 10);
}

void Model::ClearMask() {
    escCount_ = 1;
    charMask_.fill(0);
}

void Model::CheckContext(std::uint32_t c) const {
    if (c <= mem_.text || c > mem_.heapEnd)
        throw DataError("corrupt PPMd data");
}

void Model::Update1(std::uint32_t p) {
    foundState_ = p;
    SetFreq(p, Freq(p) + 4);
    SetSummFreq(minContext_, SummFreq(minContext_) + 4);
    if (Freq(p) > Freq(p - kStateSize)) {
        Swap(p, p - kStateSize);
        foundState_ = p -= kStateSize;
        if (Freq(p) > kMaxFreq)
            Rescale();
    }
}

Model::See2* Model::MakeEscFreq2(unsigned diff) {
    unsigned numStats = NumStats(minContext_);
    if (numStats == 256) {
        scale_ = 1;
        return &dummySee2_;
    }
    See2* see =
        &see2_[kTables.ns2Index[diff - 1]]
              [(static_cast<int>(diff) <
                static_cast<int>(NumStats(Suffix(minContext_))) - static_cast<int>(numStats)) +
               2 * (SummFreq(minContext_) < 11 * numStats) + 4 * (numMasked_ > diff) + hiBitsFlag_];
    scale_ = see->Mean();
    return see;
}

void Model::Update2(std::uint32_t p) {
    foundState_ = p;
    SetFreq(p, Freq(p) + 4);
    SetSummFreq(minContext_, SummFreq(minContext_) + 4);
    if (Freq(p) > kMaxFreq)
        Rescale();
    ++escCount_;
    runLength_ = initRL_;
}

void Model::Rescale() {
    const std::uint32_t c = minContext_;
    const unsigned oldNumStats = NumStats(c);
    const std::uint32_t stats = Stats(c);
    // The symbol just seen moves to the front.
    for (std::uint32_t p = foundState_; p != stats; p -= kStateSize)
        Swap(p, p - kStateSize);
    SetFreq(stats, Freq(stats) + 4);
    int escFreq = static_cast<int>(SummFreq(c) + 4 - Freq(stats));
    unsigned adder = orderFall_ != 0;
    unsigned freq = (Freq(stats) + adder) >> 1;
    SetFreq(stats, freq);
    unsigned summ = freq;
    std::uint32_t p = stats;
    for (unsigned i = oldNumStats - 1; i > 0; --i) {
        p += kStateSize;
        escFreq -= static_cast<int>(Freq(p));
        freq = (Freq(p) + adder) >> 1;
        SetFreq(p, freq);
        summ += freq;
        if (freq > Freq(p - kStateSize)) {
            State moving = Load(p);
            std::uint32_t q = p;
            do {
                Store(q, Load(q - kStateSize));
                q -= kStateSize;
            } while (q != stats && moving.freq > Freq(q - kStateSize));
            Store(q, moving);
        }
    }
    unsigned numStats = oldNumStats;
    if (Freq(p) == 0) {
        unsigned zeros = 0;
        do {
            ++zeros;
            p -= kStateSize;
        } while (Freq(p) == 0);
        escFreq += static_cast<int>(zeros);
        numStats -= zeros;
        SetNumStats(c, numStats);
        if (numStats == 1) {
            State first = Load(stats);
            do {
                first.freq = static_cast<std::uint8_t>(first.freq - (first.freq >> 1));
                escFreq >>= 1;
            } while (escFreq > 1);
            mem_.FreeUnits(stats, (oldNumStats + 1) >> 1);
            foundState_ = OneState(c);
            Store(foundState_, first);
            return;
        }
    }
    escFreq -= escFreq >> 1;
    SetSummFreq(c, summ + static_cast<unsigned>(escFreq));
    unsigned n0 = (oldNumStats + 1) >> 1;
    unsigned n1 = (numStats + 1) >> 1;
    std::uint32_t kept = stats;
    if (n0 != n1)
        kept = mem_.ShrinkUnits(stats, n0, n1);
    SetStats(c, kept);
    foundState_ = kept;
}

std::uint32_t Model::CreateChild(std::uint32_t parent, std::uint32_t state, const State& first) {
    std::uint32_t c = mem_.AllocContext();
    if (c != 0) {
        SetNumStats(c, 1);
        Store(OneState(c), first);
        SetSuffix(c, parent);
        SetSuccessor(state, c);
    }
    return c;
}

std::uint32_t Model::CreateSuccessors(bool skip, std::uint32_t p1) {
    std::uint32_t pc = minContext_;
    const std::uint32_t upBranch = Successor(foundState_);
    const std::uint8_t foundSymbol = Symbol(foundState_);
    std::array<std::uint32_t, kMaxOrder> chain;
    unsigned depth = 0;
    bool walk = true;
    if (!skip) {
        chain[depth++] = foundState_;
        walk = Suffix(pc) != 0;
    }
    if (walk) {
        std::uint32_t p = p1;
        bool first = true;
        do {
            pc = Suffix(pc);
            if (!(first && p1 != 0)) {
                if (NumStats(pc) != 1) {
                    p = Stats(pc);
                    std::uint32_t last = p + (NumStats(pc) - 1) * kStateSize;
                    while (Symbol(p) != foundSymbol) {
                        p += kStateSize;
                        if (p > last)
                            throw DataError("corrupt PPMd model");
                    }
                } else {
                    p = OneState(pc);
                }
            }
            first = false;
            if (Successor(p) != upBranch) {
                pc = Successor(p);
                break;
            }
            if (depth >= kMaxOrder)
                throw DataError("corrupt PPMd model");
            chain[depth++] = p;
        } while (Suffix(pc) != 0);
    }
    if (depth == 0)
        return pc;
    State up{mem_.heap.Byte(upBranch), 0, upBranch + 1};
    if (NumStats(pc) != 1) {
        if (pc <= mem_.text)
            return 0;
        std::uint32_t p = Stats(pc);
        std::uint32_t last = p + (NumStats(pc) - 1) * kStateSize;
        while (Symbol(p) != up.symbol) {
            p += kStateSize;
            if (p > last)
                throw DataError("corrupt PPMd model");
        }
        unsigned cf = Freq(p) - 1;
        unsigned s0 = SummFreq(pc) - NumStats(pc) - cf;
        if (s0 == 0)
            throw DataError("corrupt PPMd model");
        unsigned f = 1 + ((2 * cf <= s0) ? (5 * cf > s0) : ((2 * cf + 3 * s0 - 1) / (2 * s0)));
        up.freq = static_cast<std::uint8_t>(f);
    } else {
        up.freq = static_cast<std::uint8_t>(Freq(OneState(pc)));
    }
    do {
        pc = CreateChild(pc, chain[--depth], up);
        if (pc == 0)
            return 0;
    } while (depth != 0);
    return pc;
}

void Model::UpdateModel() {
    const State fs = Load(foundState_);
    std::uint32_t p = 0;
    std::uint32_t pc = Suffix(minContext_);
    if (fs.freq < kMaxFreq / 4 && pc != 0) {
        if (NumStats(pc) != 1) {
            p = Stats(pc);
            if (Symbol(p) != fs.symbol) {
                std::uint32_t last = p + (NumStats(pc) - 1) * kStateSize;
                do {
                    p += kStateSize;
                    if (p > last)
                        throw DataError("corrupt PPMd model");
                } while (Symbol(p) != fs.symbol);
                if (Freq(p) >= Freq(p - kStateSize)) {
                    Swap(p, p - kStateSize);
                    p -= kStateSize;
                }
            }
            if (Freq(p) < kMaxFreq - 9) {
                SetFreq(p, Freq(p) + 2);
                SetSummFreq(pc, SummFreq(pc) + 2);
            }
        } else {
            p = OneState(pc);
            SetFreq(p, Freq(p) + (Freq(p) < 32));
        }
    }
    if (orderFall_ == 0) {
        minContext_ = maxContext_ = CreateSuccessors(true, p);
        SetSuccessor(foundState_, minContext_);
        if (minContext_ == 0) {
            Restart();
            escCount_ = 0;
        }
        return;
    }
    mem_.heap.SetByte(mem_.text++, fs.symbol);
    std::uint32_t successor = mem_.text;
    bool ok = mem_.text < mem_.unitsStart;
    State found = fs;
    if (ok && found.successor != 0) {
        if (found.successor <= mem_.text)
            found.successor = CreateSuccessors(false, p);
        ok = found.successor != 0;
        if (ok && --orderFall_ == 0) {
            successor = found.successor;
            mem_.text -= maxContext_ != minContext_;
        }
    } else if (ok) {
        SetSuccessor(foundState_, successor);
        found.successor = minContext_;
    }
    if (ok)
        ok = GrowContexts(found, successor);
    if (!ok) {
        Restart();
        escCount_ = 0;
        return;
    }
    minContext_ = maxContext_ = found.successor;
}

// Adds the symbol to every context from the longest down to the one it was
// found in; false when the heap is full.
bool Model::GrowContexts(const State& fs, std::uint32_t successor) {
    const unsigned ns = NumStats(minContext_);
    const unsigned s0 = SummFreq(minContext_) - ns - (fs.freq - 1u);
    for (std::uint32_t pc = maxContext_; pc != minContext_; pc = Suffix(pc)) {
        unsigned ns1 = NumStats(pc);
        if (ns1 != 1) {
            if ((ns1 & 1) == 0) {
                std::uint32_t stats = mem_.ExpandUnits(Stats(pc), ns1 >> 1);
                if (stats == 0)
                    return false;
                SetStats(pc, stats);
            }
            unsigned summ = SummFreq(pc);
            summ += (2 * ns1 < ns) + 2 * ((4 * ns1 <= ns) & (summ <= 8 * ns1));
            SetSummFreq(pc, summ);
        } else {
            std::uint32_t p = mem_.AllocUnits(1);
            if (p == 0)
                return false;
            State one = Load(OneState(pc));
            if (one.freq < kMaxFreq / 4 - 1)
                one.freq = static_cast<std::uint8_t>(one.freq * 2);
            else
                one.freq = kMaxFreq - 4;
            Store(p, one);
            SetStats(pc, p);
            SetSummFreq(pc, one.freq + initEsc_ + (ns > 3));
        }
        unsigned summ = SummFreq(pc);
        unsigned cf = 2 * fs.freq * (summ + 6);
        unsigned sf = s0 + summ;
        if (cf < 6 * sf) {
            cf = 1 + (cf > sf) + (cf >= 4 * sf);
            summ += 3;
        } else {
            cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
            summ += cf;
        }
        SetSummFreq(pc, summ);
        Store(Stats(pc) + ns1 * kStateSize, {fs.symbol, static_cast<std::uint8_t>(cf), successor});
        SetNumStats(pc, ns1 + 1);
    }
    return true;
}

std::uint8_t Model::DecodeByte() {
    Decoding decoding(coder_);
    return CodeByte(decoding);
}

} // namespace rar::ppmd
