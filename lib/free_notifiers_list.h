#pragma once
// The watched memory blocks of the free-notification hook, kept in address
// order so that the lookup made on every release is a binary search.
#include "lib/fast_list.h"
#include "lib/sorted_list.h"

namespace setupkit {

// Told the address of a watched block after the block has been released.
using FreeCallback = void (*)(void* context, void* block);

struct TFreeSubscriber {
    FreeCallback Callback;
    void* Context;
};

// One watched block and the subscribers (TFreeSubscriber*, owned) to tell, in
// order of registration.
struct FreeWatch {
    explicit FreeWatch(void* address) : Address(address) {}
    FreeWatch(const FreeWatch&) = delete;
    FreeWatch& operator=(const FreeWatch&) = delete;
    ~FreeWatch();

    void* Address;
    TFastList Subscribers;
};

// Entries are FreeWatch objects; keys are raw block addresses.
class TFreeNotifiersList : public TCustomSortedList {
  public:
    int Compare(const void* entry, const void* key) const override;
    int CompareItems(const void* a, const void* b) const override;
};

} // namespace setupkit
