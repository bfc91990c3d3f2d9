#pragma once
// The steps that find a symbol in the model's contexts, and its interval,
// written once over the side that codes it: the decoder instantiates them in
// model.cpp, the encoder in model_encoding.cpp, so that a program which only
// decodes carries no encoder. Only those two files include this.
#include "rar/ppmd/model.h"

#include <array>
#include <cstdint>

namespace rar::ppmd {

constexpr unsigned kMaxOrder = 64;
constexpr unsigned kPeriodBits = 7;
constexpr unsigned kTotalBits = 14;
constexpr unsigned kInterval = 1u << kPeriodBits;
constexpr unsigned kBinScale = 1u << kTotalBits;
constexpr unsigned kMaxFreq = 124;

constexpr std::uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};
constexpr std::uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                          0x64A1, 0x5ABC, 0x6632, 0x6051};

struct ContextTables {
    std::uint8_t ns2Index[256]{};
    std::uint8_t ns2BsIndex[256]{};
    std::uint8_t hb2Flag[256]{};
};

constexpr ContextTables MakeContextTables() {
    ContextTables t;
    t.ns2BsIndex[0] = 0;
    t.ns2BsIndex[1] = 2;
    for (unsigned i = 2; i < 256; ++i)
        t.ns2BsIndex[i] = i < 11 ? 4 : 6;
    unsigned i = 0;
    for (; i < 3; ++i)
        t.ns2Index[i] = static_cast<std::uint8_t>(i);
    for (unsigned m = i, k = 1, step = 1; i < 256; ++i) {
        t.ns2Index[i] = static_cast<std::uint8_t>(m);
        if (--k == 0) {
            k = ++step;
            ++m;
        }
    }
    for (unsigned j = 0x40; j < 256; ++j)
        t.hb2Flag[j] = 0x08;
    return t;
}

constexpr ContextTables kTables = MakeContextTables();

constexpr std::uint32_t kStateSize = 6;

template <class Coding> void Model::BinSymbol(Coding& coding) {
    std::uint32_t rs = OneState(minContext_);
    hiBitsFlag_ = kTables.hb2Flag[Symbol(foundState_)];
    unsigned freq = Freq(rs);
    unsigned suffixStats = NumStats(Suffix(minContext_));
    if (freq == 0 || freq > 128 || suffixStats == 0 || suffixStats > 256)
        throw DataError("corrupt PPMd model");
    std::uint16_t& bs =
        binSumm_[freq - 1][prevSuccess_ + kTables.ns2BsIndex[suffixStats - 1] + hiBitsFlag_ +
                           2 * kTables.hb2Flag[Symbol(rs)] + ((runLength_ >> 26) & 0x20)];
    if (coding.BinHit(bs, Symbol(rs))) {
        foundState_ = rs;
        SetFreq(rs, freq + (freq < 128));
        lowCount_ = 0;
        highCount_ = bs;
        bs = static_cast<std::uint16_t>(bs + kInterval - ((bs + 32) >> 7));
        prevSuccess_ = 1;
        ++runLength_;
    } else {
        lowCount_ = bs;
        bs = static_cast<std::uint16_t>(bs - ((bs + 32) >> 7));
        highCount_ = kBinScale;
        initEsc_ = kExpEscape[bs >> 10];
        numMasked_ = 1;
        charMask_[Symbol(rs)] = escCount_;
        prevSuccess_ = 0;
        foundState_ = 0;
    }
}

template <class Coding> void Model::Symbol1(Coding& coding) {
    std::uint32_t p = Stats(minContext_);
    scale_ = SummFreq(minContext_);
    coding.Scale(scale_);
    unsigned hiCnt = Freq(p);
    if (coding.Hit(p, hiCnt)) {
        highCount_ = hiCnt;
        prevSuccess_ = 2 * hiCnt > scale_;
        runLength_ += static_cast<int>(prevSuccess_);
        foundState_ = p;
        hiCnt += 4;
        SetFreq(p, hiCnt);
        SetSummFreq(minContext_, SummFreq(minContext_) + 4);
        if (hiCnt > kMaxFreq)
            Rescale();
        lowCount_ = 0;
        return;
    }
    if (foundState_ == 0)
        throw DataError("corrupt PPMd data");
    prevSuccess_ = 0;
    unsigned i = NumStats(minContext_) - 1;
    for (;;) {
        p += kStateSize;
        hiCnt += Freq(p);
        if (coding.Hit(p, hiCnt))
            break;
        if (--i == 0) {
            hiBitsFlag_ = kTables.hb2Flag[Symbol(foundState_)];
            lowCount_ = hiCnt;
            charMask_[Symbol(p)] = escCount_;
            numMasked_ = NumStats(minContext_);
            i = numMasked_ - 1;
            foundState_ = 0;
            do {
                p -= kStateSize;
                charMask_[Symbol(p)] = escCount_;
            } while (--i);
            highCount_ = scale_;
            return;
        }
    }
    highCount_ = hiCnt;
    lowCount_ = hiCnt - Freq(p);
    Update1(p);
}

template <class Coding> void Model::Symbol2(Coding& coding) {
    unsigned numStats = NumStats(minContext_);
    if (numStats <= numMasked_ || numStats > 256)
        throw DataError("corrupt PPMd data");
    unsigned diff = numStats - numMasked_;
    See2* see = MakeEscFreq2(diff);
    std::array<std::uint32_t, 256> candidates;
    std::uint32_t p = Stats(minContext_) - kStateSize;
    const std::uint32_t last = Stats(minContext_) + (numStats - 1) * kStateSize;
    unsigned hiCnt = 0;
    for (unsigned n = 0; n < diff; ++n) {
        const std::uint8_t* state;
        do {
            p += kStateSize;
            if (p > last)
                throw DataError("corrupt PPMd data");
            state = mem_.heap.Record(p);
        } while (charMask_[state[0]] == escCount_);
        hiCnt += state[1];
        candidates[n] = p;
    }
    scale_ += hiCnt;
    coding.Scale(scale_);
    if (!coding.Escapes(hiCnt, candidates.data(), diff)) {
        unsigned n = 0;
        hiCnt = Freq(candidates[0]);
        while (!coding.Hit(candidates[n], hiCnt))
            hiCnt += Freq(candidates[++n]);
        p = candidates[n];
        highCount_ = hiCnt;
        lowCount_ = hiCnt - Freq(p);
        see->Update();
        Update2(p);
        return;
    }
    lowCount_ = hiCnt;
    highCount_ = scale_;
    for (unsigned n = 0; n < diff; ++n)
        charMask_[Symbol(candidates[n])] = escCount_;
    see->summ = static_cast<std::uint16_t>(see->summ + scale_);
    numMasked_ = numStats;
}

template <class Coding> std::uint8_t Model::CodeByte(Coding& coding) {
    CheckContext(minContext_);
    if (NumStats(minContext_) != 1) {
        std::uint32_t stats = Stats(minContext_);
        if (stats <= mem_.text || stats > mem_.heapEnd)
            throw DataError("corrupt PPMd data");
        Symbol1(coding);
    } else {
        BinSymbol(coding);
    }
    coding.Code(lowCount_, highCount_);
    while (foundState_ == 0) {
        coding.Normalize();
        do {
            ++orderFall_;
            minContext_ = Suffix(minContext_);
            CheckContext(minContext_);
        } while (NumStats(minContext_) == numMasked_);
        Symbol2(coding);
        coding.Code(lowCount_, highCount_);
    }
    std::uint8_t symbol = Symbol(foundState_);
    std::uint32_t successor = Successor(foundState_);
    if (orderFall_ == 0 && successor > mem_.text) {
        minContext_ = maxContext_ = successor;
    } else {
        UpdateModel();
        if (escCount_ == 0)
            ClearMask();
    }
    coding.Normalize();
    return symbol;
}

} // namespace rar::ppmd
