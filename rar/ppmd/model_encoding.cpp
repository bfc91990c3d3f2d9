#include "rar/ppmd/model_steps.h"

namespace rar::ppmd {

namespace {

// The encoder knows the symbol and looks for its state.
class Encoding {
  public:
    Encoding(RangeEncoder& coder, const Heap& heap, std::uint8_t symbol)
        : coder_(coder), heap_(heap), symbol_(symbol) {}

    bool BinHit(unsigned, std::uint8_t only) {
        coder_.ShiftScale(kTotalBits);
        return only == symbol_;
    }
    void Scale(std::uint32_t scale) { coder_.Scale(scale); }
    bool Hit(std::uint32_t p, unsigned) const { return heap_.Byte(p) == symbol_; }
    bool Escapes(unsigned, const std::uint32_t* candidates, unsigned n) const {
        for (unsigned i = 0; i < n; ++i)
            if (heap_.Byte(candidates[i]) == symbol_)
                return false;
        return true;
    }
    void Code(std::uint32_t low, std::uint32_t high) { coder_.Encode(low, high); }
    void Normalize() { coder_.Normalize(); }

  private:
    RangeEncoder& coder_;
    const Heap& heap_;
    std::uint8_t symbol_;
};

} // namespace

void Model::EncodeByte(std::uint8_t symbol, RangeEncoder& coder) {
    Encoding encoding(coder, mem_.heap, symbol);
    CodeByte(encoding);
}

} // namespace rar::ppmd
