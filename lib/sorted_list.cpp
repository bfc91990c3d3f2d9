#include "lib/sorted_list.h"

#include <cstdint>

namespace setupkit {

int TCustomSortedList::Compare(const void* entry, const void* key) const {
    return CompareItems(entry, key);
}

int TCustomSortedList::CompareItems(const void* a, const void* b) const {
    const auto x = reinterpret_cast<std::uintptr_t>(a);
    const auto y = reinterpret_cast<std::uintptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void TCustomSortedList::Delete(std::int32_t index) {
    list_.Delete(index);
}

template <typename Cmp>
bool TCustomSortedList::Search(const void* probe, std::int32_t& index, Cmp cmp) const {
    std::int32_t low = 0;
    std::int32_t high = list_.Count() - 1;
    bool found = false;
    while (low <= high) {
        const std::uint32_t sum =
            static_cast<std::uint32_t>(low) + static_cast<std::uint32_t>(high);
        const auto mid = static_cast<std::int32_t>(sum >> 1);
        const int c = cmp(list_.Items(mid), probe);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != 1)
                    low = mid;
            }
        }
    }
    index = low;
    return found;
}

bool TCustomSortedList::Find(const void* key, std::int32_t& index) const {
    if (!Sorted) {
        index = IndexOf(key);
        return index >= 0;
    }
    return Search(key, index, [this](const void* e, const void* k) { return Compare(e, k); });
}

bool TCustomSortedList::FindItem(const void* entry, std::int32_t& index) const {
    if (!Sorted) {
        index = list_.IndexOf(entry);
        return index >= 0;
    }
    return Search(entry, index,
                  [this](const void* a, const void* b) { return CompareItems(a, b); });
}

std::int32_t TCustomSortedList::IndexOf(const void* key) const {
    if (Sorted) {
        std::int32_t index;
        return Find(key, index) ? index : -1;
    }
    for (std::int32_t i = 0; i < list_.Count(); ++i)
        if (Compare(list_.Items(i), key) == 0)
            return i;
    return -1;
}

std::int32_t TCustomSortedList::Remove(const void* entry) {
    std::int32_t index;
    if (!FindItem(entry, index))
        return -1;
    Delete(index);
    return index;
}

std::int32_t TCustomSortedList::Add(void* entry) {
    if (!Sorted)
        return list_.Add(entry);
    std::int32_t index;
    if (FindItem(entry, index)) {
        if (Duplicates != 1)
            return -1;
        // After the equal entries, so that they keep the order they came in.
        while (index < list_.Count() && CompareItems(list_.Items(index), entry) == 0)
            ++index;
    }
    list_.Insert(index, entry);
    return index;
}

} // namespace setupkit
