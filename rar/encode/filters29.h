#pragma once
// The standard filters as the 2.9 encoder uses them. An entry is cut into
// stretches of kFilterStretch bytes; each is looked at on its own, and one
// that holds x86 code or a table of fixed-size records is transformed before
// LZ sees it. A filter block in the stream, met just before the symbol that
// covers the stretch's first byte, tells the decoder to undo the transform
// as it writes the stretch out.
//
//   filter block = 257, then bytes: flags|size, size extension, body
//   body         = program number, start offset, length, [channels],
//                  [program size, program]        (bit numbers, see below)
#include "rar/v29/standard_filters.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace rar::encode {

// Divides the encoder's input pieces, so that a stretch never spans two;
// small enough that the delta filter's output fits the decoder's memory.
constexpr std::size_t kFilterStretch = 0x10000;

struct FilterChoice {
    v29::FilterKind kind;
    std::uint32_t channels = 0; // delta: the record size
};

// The filter that pays on `data`, if one does: x86 calls when the bytes
// read as code, delta when their differences at some record size are
// clearly more predictable than the bytes themselves; text keeps none.
std::optional<FilterChoice> ChooseFilter(const std::uint8_t* data, std::size_t size);

// Transforms `size` bytes in place, the inverse of what the decoder runs;
// `fileOffset`: where they start in their entry.
void ApplyFilter(const FilterChoice& choice, std::uint8_t* data, std::size_t size,
                 std::uint32_t fileOffset);

// The filters whose programs a stream has defined, in the order it defined
// them; the block bytes after symbol 257 for one filtered stretch.
class FilterPrograms {
  public:
    void Reset() { defined_.clear(); }
    // `offset`: from the decoding position where the block is met to the
    // stretch's first byte.
    std::vector<std::uint8_t> Block(const FilterChoice& choice, std::uint32_t offset,
                                    std::uint32_t length);

  private:
    std::vector<v29::FilterKind> defined_;
};

} // namespace rar::encode
