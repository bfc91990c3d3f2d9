#include "rar/ppmd/heap.h"

#include <new>

namespace rar::ppmd {

void Heap::Allocate(std::size_t size) {
    Release();
    data_.reset(new (std::nothrow) std::uint8_t[size + kSlack]);
    if (!data_)
        throw MemoryError("no memory for the PPMd model");
    std::memset(data_.get() + size, 0, kSlack);
    size_ = size;
}

Heap::Heap(const Heap& other) {
    *this = other;
}

Heap& Heap::operator=(const Heap& other) {
    if (this == &other)
        return *this;
    if (!other.data_) {
        Release();
        return *this;
    }
    // A copy made again for the next trial keeps its block.
    if (!data_ || size_ != other.size_)
        Allocate(other.size_);
    std::memcpy(data_.get(), other.data_.get(), size_ + kSlack);
    return *this;
}

void Heap::Release() {
    data_.reset();
    size_ = 0;
}

} // namespace rar::ppmd
