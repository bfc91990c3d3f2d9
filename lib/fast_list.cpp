#include "lib/fast_list.h"

#include "lib/memory_manager.h"
#include "lib/setup_error.h"

#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace setupkit {

namespace {

const char kListIndexError[] = "List index out of bounds (%d)";

std::string ListIndexMessage(std::int32_t index) {
    std::string message = kListIndexError;
    message.replace(message.find("%d"), 2, std::to_string(index));
    return message;
}

} // namespace

TFastList::~TFastList() {
    if (items_)
        ReleaseBlock(items_);
}

void TFastList::CheckIndex(std::int32_t index, std::int32_t last) const {
    if (index < 0 || index > last)
        throw SetupError(ListIndexMessage(index));
}

void* TFastList::Items(std::int32_t index) const {
    CheckIndex(index, count_ - 1);
    return items_[index];
}

void TFastList::Delete(std::int32_t index) {
    CheckIndex(index, count_ - 1);
    --count_;
    std::memmove(items_ + index, items_ + index + 1, (count_ - index) * sizeof(void*));
}

void TFastList::Grow() {
    const std::int32_t limit = std::numeric_limits<std::int32_t>::max() / sizeof(void*);
    if (capacity_ >= limit)
        throw std::bad_alloc();
    std::int32_t capacity = capacity_ < 4 ? 4 : capacity_ + capacity_ / 2;
    if (capacity > limit)
        capacity = limit;
    const std::size_t bytes = capacity * sizeof(void*);
    void* grown = items_ ? ResizeBlock(items_, bytes) : AllocateBlock(bytes);
    if (!grown)
        throw std::bad_alloc();
    items_ = static_cast<void**>(grown);
    capacity_ = capacity;
}

void TFastList::Insert(std::int32_t index, void* item) {
    CheckIndex(index, count_);
    if (count_ == capacity_)
        Grow();
    std::memmove(items_ + index + 1, items_ + index, (count_ - index) * sizeof(void*));
    items_[index] = item;
    ++count_;
}

std::int32_t TFastList::Add(void* item) {
    Insert(count_, item);
    return count_ - 1;
}

std::int32_t TFastList::IndexOf(const void* item) const {
    for (std::int32_t i = 0; i < count_; ++i)
        if (items_[i] == item)
            return i;
    return -1;
}

} // namespace setupkit
