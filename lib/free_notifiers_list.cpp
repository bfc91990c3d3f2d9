#include "lib/free_notifiers_list.h"

namespace setupkit {

FreeWatch::~FreeWatch() {
    for (std::int32_t i = 0; i < Subscribers.Count(); ++i)
        delete static_cast<TFreeSubscriber*>(Subscribers.Items(i));
}

int TFreeNotifiersList::Compare(const void* entry, const void* key) const {
    return TCustomSortedList::CompareItems(static_cast<const FreeWatch*>(entry)->Address, key);
}

int TFreeNotifiersList::CompareItems(const void* a, const void* b) const {
    return TCustomSortedList::CompareItems(static_cast<const FreeWatch*>(a)->Address,
                                           static_cast<const FreeWatch*>(b)->Address);
}

} // namespace setupkit
