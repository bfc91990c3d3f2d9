#include "rar/v50/window.h"

#include <algorithm>
#include <new>

namespace rar::v50 {

namespace {

// Larger requests are refused without asking the allocator, which some
// sanitizers treat as a fatal error rather than a failure.
constexpr std::uint64_t kLargestWindow = std::uint64_t(1) << 40;

std::unique_ptr<std::uint8_t[]> Allocate(std::size_t size) {
    std::unique_ptr<std::uint8_t[]> data;
    if (std::uint64_t(size) <= kLargestWindow) {
        data.reset(new (std::nothrow) std::uint8_t[size]);
    }
    if (!data) {
        throw MemoryError("RAR5 dictionary too large for this machine");
    }
    return data;
}

} // namespace

void Window::Reserve(std::size_t size, bool keepHistory) {
    if (size <= size_) {
        return;
    }
    if (!keepHistory) {
        data_.reset();
        size_ = 0;
        data_ = Allocate(size);
        size_ = size;
        pos_ = 0;
        return;
    }
    std::unique_ptr<std::uint8_t[]> grown = Allocate(size);
    std::size_t kept = std::size_t(std::min<std::uint64_t>(total_, size_));
    std::size_t filled = 0;
    if (kept > 0) {
        ForEachPiece(total_ - kept, total_, [&](const std::uint8_t* piece, std::size_t count) {
            std::memcpy(grown.get() + filled, piece, count);
            filled += count;
        });
    }
    data_ = std::move(grown);
    size_ = size;
    pos_ = kept;
}

void Window::CopyWrapping(std::size_t from, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        data_[pos_] = data_[from];
        if (++pos_ == size_) {
            pos_ = 0;
        }
        if (++from == size_) {
            from = 0;
        }
    }
}

std::size_t Window::IndexOf(std::uint64_t position) const {
    std::size_t back = std::size_t(total_ - position);
    return pos_ >= back ? pos_ - back : pos_ + size_ - back;
}

} // namespace rar::v50
