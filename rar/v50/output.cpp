#include "rar/v50/output.h"

#include <algorithm>

namespace rar::v50 {

namespace {

// The compressor never filters more than this in one range, nor keeps more
// ranges pending; more means corrupt data that would only cost memory.
constexpr std::uint32_t kMaxFilterLength = 0x400000;
constexpr std::size_t kMaxPendingFilters = 8192;

} // namespace

void FilteredOutput::Begin(ByteSink& sink, std::uint64_t start, std::uint64_t size) {
    sink_ = &sink;
    start_ = start;
    size_ = size;
    written_ = 0;
    passed_ = start;
    filterEnd_ = start;
    filters_.clear();
}

void FilteredOutput::AddFilter(const Filter& filter) {
    if (filter.length > kMaxFilterLength || filter.start < filterEnd_ ||
        filters_.size() >= kMaxPendingFilters) {
        throw DataError("RAR5 data: impossible filter");
    }
    if (filter.length == 0) {
        return;
    }
    filters_.push_back(filter);
    filterEnd_ = filter.start + filter.length;
}

void FilteredOutput::Flush(const Window& window) {
    std::uint64_t total = window.Total();
    while (passed_ < total) {
        if (!filters_.empty() && passed_ >= filters_.front().start) {
            TakeFiltered(window);
            continue;
        }
        std::uint64_t to = filters_.empty() ? total : std::min(total, filters_.front().start);
        window.ForEachPiece(passed_, to, [this](const std::uint8_t* data, std::size_t count) {
            Emit(data, count);
        });
        passed_ = to;
    }
}

void FilteredOutput::TakeFiltered(const Window& window) {
    const Filter& filter = filters_.front();
    std::uint64_t end = filter.start + filter.length;
    if (passed_ == filter.start) {
        filterData_.resize(filter.length);
    }
    std::uint64_t to = std::min(end, window.Total());
    std::uint8_t* out = filterData_.data() + (passed_ - filter.start);
    window.ForEachPiece(passed_, to, [&out](const std::uint8_t* data, std::size_t count) {
        std::copy(data, data + count, out);
        out += count;
    });
    passed_ = to;
    if (to == end) {
        ApplyFilter(filter);
        filters_.pop_front();
    }
}

void FilteredOutput::ApplyFilter(const Filter& filter) {
    std::uint32_t fileOffset = std::uint32_t(filter.start - start_);
    switch (filter.type) {
    case FilterType::Delta:
        filterOut_.resize(filter.length);
        UndoDelta(filterData_.data(), filterOut_.data(), filter.length, filter.channels);
        Emit(filterOut_.data(), filter.length);
        return;
    case FilterType::E8:
    case FilterType::E8E9:
        UndoE8(filterData_.data(), filter.length, fileOffset, filter.type == FilterType::E8E9);
        break;
    case FilterType::Arm:
        UndoArm(filterData_.data(), filter.length, fileOffset);
        break;
    }
    Emit(filterData_.data(), filter.length);
}

void FilteredOutput::Emit(const std::uint8_t* data, std::size_t count) {
    std::uint64_t room = size_ - written_;
    if (count > room) {
        count = std::size_t(room);
    }
    if (count > 0) {
        sink_->Write(data, count);
        written_ += count;
    }
}

} // namespace rar::v50
