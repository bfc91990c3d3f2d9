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

void Heap::Release() {
    data_.reset();
    size_ = 0;
}

} // namespace rar::ppmd
