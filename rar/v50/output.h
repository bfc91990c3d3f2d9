#pragma once
// Passes an entry's bytes from the window to its sink, holding back each
// filtered range until it is complete and then writing it restored.
#include "rar/lz/decoder.h"
#include "rar/v50/filters.h"
#include "rar/v50/window.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace rar::v50 {

class FilteredOutput {
  public:
    // The entry's bytes start at absolute stream position `start`; the sink
    // gets at most `size` of them.
    void Begin(ByteSink& sink, std::uint64_t start, std::uint64_t size);
    // Throws DataError for a filter the compressor cannot have written.
    void AddFilter(const Filter& filter);
    // Passes on what the window holds past what was passed on before.
    void Flush(const Window& window);
    bool Complete() const { return written_ == size_; }

  private:
    void Emit(const std::uint8_t* data, std::size_t count);
    void TakeFiltered(const Window& window);
    void ApplyFilter(const Filter& filter);

    ByteSink* sink_ = nullptr;
    std::uint64_t start_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t written_ = 0;   // bytes given to the sink
    std::uint64_t passed_ = 0;    // absolute position up to which the window was read
    std::uint64_t filterEnd_ = 0; // end of the last filtered range queued
    std::deque<Filter> filters_;
    std::vector<std::uint8_t> filterData_;
    std::vector<std::uint8_t> filterOut_;
};

} // namespace rar::v50
