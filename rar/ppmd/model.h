#pragma once
// The order-N context model (variant H) of the PPMd blocks in 2.9 streams:
// it predicts each byte from the contexts that preceded it, escaping to
// shorter contexts for symbols not seen there. The compressor codes through
// the same steps as the decoder, so that both keep the same model.
#include "rar/ppmd/range_decoder.h"
#include "rar/ppmd/range_encoder.h"
#include "rar/ppmd/sub_allocator.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace rar::ppmd {

class Model {
  public:
    // Reads a block's model header from `in` and starts the coder on it.
    // flags: bit 5 asks for a fresh model (then a memory size byte follows),
    // bit 6 for a new escape byte; the low five bits give the order.
    // Throws DataError when the block needs a model that does not exist.
    void StartBlock(BytePuller& in, std::uint8_t& escape);
    // The next decoded byte; throws DataError on corrupt data.
    std::uint8_t DecodeByte();

    // A fresh model: contexts of up to `maxOrder` bytes (2..64) in
    // `megabytes` MB (1..256). Throws MemoryError when that cannot be had.
    void StartModel(unsigned maxOrder, unsigned megabytes);
    bool Started() const { return minContext_ != 0; }
    // Codes `symbol` into `coder` and updates the model as DecodeByte does.
    void EncodeByte(std::uint8_t symbol, RangeEncoder& coder);

  private:
    struct See2 {
        std::uint16_t summ = 0;
        std::uint8_t shift = 0;
        std::uint8_t count = 0;
        void Init(unsigned value);
        unsigned Mean();
        void Update();
    };
    struct State {
        std::uint8_t symbol;
        std::uint8_t freq;
        std::uint32_t successor;
    };

    void Restart();
    // Field access on contexts and states kept in the heap.
    unsigned NumStats(std::uint32_t c) const { return mem_.heap.Word(c); }
    void SetNumStats(std::uint32_t c, unsigned n) {
        mem_.heap.SetWord(c, static_cast<std::uint16_t>(n));
    }
    unsigned SummFreq(std::uint32_t c) const { return mem_.heap.Word(c + 2); }
    void SetSummFreq(std::uint32_t c, unsigned v) {
        mem_.heap.SetWord(c + 2, static_cast<std::uint16_t>(v));
    }
    std::uint32_t Stats(std::uint32_t c) const { return mem_.heap.Long(c + 4); }
    void SetStats(std::uint32_t c, std::uint32_t s) { mem_.heap.SetLong(c + 4, s); }
    static std::uint32_t OneState(std::uint32_t c) { return c + 2; }
    std::uint32_t Suffix(std::uint32_t c) const { return mem_.heap.Long(c + 8); }
    void SetSuffix(std::uint32_t c, std::uint32_t s) { mem_.heap.SetLong(c + 8, s); }
    std::uint8_t Symbol(std::uint32_t s) const { return mem_.heap.Byte(s); }
    unsigned Freq(std::uint32_t s) const { return mem_.heap.Byte(s + 1); }
    void SetFreq(std::uint32_t s, unsigned f) {
        mem_.heap.SetByte(s + 1, static_cast<std::uint8_t>(f));
    }
    std::uint32_t Successor(std::uint32_t s) const { return mem_.heap.Long(s + 2); }
    void SetSuccessor(std::uint32_t s, std::uint32_t c) { mem_.heap.SetLong(s + 2, c); }
    State Load(std::uint32_t s) const {
        const std::uint8_t* record = mem_.heap.Record(s);
        State v{record[0], record[1], 0};
        std::memcpy(&v.successor, record + 2, 4);
        return v;
    }
    void Store(std::uint32_t s, const State& v);
    void Swap(std::uint32_t a, std::uint32_t b);

    void CheckContext(std::uint32_t c) const;
    // The steps that find a symbol, in the model's contexts, and its
    // interval. `Coding` tells them which symbol it is: the decoder from the
    // code, the encoder from the byte it was given.
    template <class Coding> std::uint8_t CodeByte(Coding& coding);
    template <class Coding> void BinSymbol(Coding& coding);
    template <class Coding> void Symbol1(Coding& coding);
    template <class Coding> void Symbol2(Coding& coding);
    void Update1(std::uint32_t p);
    void Update2(std::uint32_t p);
    See2* MakeEscFreq2(unsigned diff);
    void Rescale();
    std::uint32_t CreateChild(std::uint32_t parent, std::uint32_t state, const State& first);
    std::uint32_t CreateSuccessors(bool skip, std::uint32_t p1);
    void UpdateModel();
    bool GrowContexts(const State& fs, std::uint32_t successor);
    void ClearMask();

    SubAllocator mem_;
    RangeDecoder coder_;
    std::uint32_t minContext_ = 0;
    std::uint32_t maxContext_ = 0;
    std::uint32_t foundState_ = 0;
    unsigned numMasked_ = 0;
    unsigned initEsc_ = 0;
    int orderFall_ = 0;
    int maxOrder_ = 0;
    int runLength_ = 0;
    int initRL_ = 0;
    std::uint8_t escCount_ = 0;
    unsigned prevSuccess_ = 0;
    unsigned hiBitsFlag_ = 0;
    // The interval of the symbol being coded.
    std::uint32_t lowCount_ = 0;
    std::uint32_t highCount_ = 0;
    std::uint32_t scale_ = 0;
    std::array<std::uint8_t, 256> charMask_{};
    std::array<std::array<std::uint16_t, 64>, 128> binSumm_{};
    std::array<std::array<See2, 16>, 25> see2_{};
    See2 dummySee2_;
};

} // namespace rar::ppmd
