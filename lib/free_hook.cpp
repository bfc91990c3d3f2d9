#include "lib/free_hook.h"

#include "lib/memory_manager.h"
#include "lib/setup_error.h"

#include <memory>

namespace setupkit {

namespace {

TMemoryManager PreviousMemoryManager = {nullptr, nullptr, nullptr};
// PreviousMemoryManager with null slots replaced by the runtime's defaults.
TMemoryManager forward = {DefaultGetMem, DefaultFreeMem, DefaultReallocMem};
TFreeNotifiersList* FreeNotifiers = nullptr;

// Watches taken out of FreeNotifiers whose subscribers are being told, the
// innermost first. Nodes live on the notifying frames' stacks, so tracking
// them allocates nothing.
struct ActiveWatch {
    FreeWatch* watch;
    ActiveWatch* outer;
};
ActiveWatch* activeWatches = nullptr;

class ActiveWatchScope {
  public:
    explicit ActiveWatchScope(FreeWatch* watch) : node_{watch, activeWatches} {
        activeWatches = &node_;
    }
    ~ActiveWatchScope() { activeWatches = node_.outer; }
    ActiveWatchScope(const ActiveWatchScope&) = delete;
    ActiveWatchScope& operator=(const ActiveWatchScope&) = delete;

  private:
    ActiveWatch node_;
};

TFreeSubscriber* SubscriberAt(const FreeWatch& watch, std::int32_t index) {
    return static_cast<TFreeSubscriber*>(watch.Subscribers.Items(index));
}

// A subscriber may cancel itself or others while it is called; the walk then
// stays on the position that the next subscriber moved into.
void TellSubscribers(FreeWatch& watch) {
    std::int32_t i = 0;
    while (i < watch.Subscribers.Count()) {
        TFreeSubscriber* s = SubscriberAt(watch, i);
        if (s)
            s->Callback(s->Context, watch.Address);
        if (i < watch.Subscribers.Count() && SubscriberAt(watch, i) == s)
            ++i;
    }
}

FreeWatch* ActiveWatchFor(const void* block) {
    for (ActiveWatch* a = activeWatches; a; a = a->outer)
        if (a->watch->Address == block)
            return a->watch;
    return nullptr;
}

// Takes the first registration with this callback and context off the watch.
bool RemoveSubscriber(FreeWatch& watch, FreeCallback callback, void* context) {
    for (std::int32_t i = 0; i < watch.Subscribers.Count(); ++i) {
        TFreeSubscriber* s = SubscriberAt(watch, i);
        if (s && s->Callback == callback && s->Context == context) {
            watch.Subscribers.Delete(i);
            delete s;
            return true;
        }
    }
    return false;
}

// Kept out of line so that the release path's common case stays a plain
// call-and-return without the notification's stack frame.
[[gnu::noinline]] void TellWatchers(void* block) {
    const std::int32_t index = FreeNotifiers->IndexOf(block);
    if (index < 0)
        return;
    std::unique_ptr<FreeWatch> watch(static_cast<FreeWatch*>(FreeNotifiers->Items(index)));
    FreeNotifiers->Remove(watch.get());
    ActiveWatchScope active(watch.get());
    TellSubscribers(*watch);
}

} // namespace

void InstallFreeHook() {
    if (FreeNotifiers)
        throw SetupError("The free-notification hook is installed already");
    FreeNotifiers = new TFreeNotifiersList;
    PreviousMemoryManager = GetMemoryManager();
    forward.GetMem = PreviousMemoryManager.GetMem ? PreviousMemoryManager.GetMem : DefaultGetMem;
    forward.FreeMem =
        PreviousMemoryManager.FreeMem ? PreviousMemoryManager.FreeMem : DefaultFreeMem;
    forward.ReallocMem =
        PreviousMemoryManager.ReallocMem ? PreviousMemoryManager.ReallocMem : DefaultReallocMem;
    // Allocation and resizing go to the previous manager's functions
    // themselves: passing them through unchanged needs no frame of the hook's
    // own, and each allocation then costs nothing more than without the hook.
    SetMemoryManager({forward.GetMem, NotifyFreeHook, forward.ReallocMem});
}

void RemoveFreeHook() {
    if (!FreeNotifiers)
        return;
    SetMemoryManager(PreviousMemoryManager);
    while (FreeNotifiers->Count() > 0) {
        auto* watch = static_cast<FreeWatch*>(FreeNotifiers->Items(0));
        FreeNotifiers->Delete(0);
        delete watch;
    }
    delete FreeNotifiers;
    FreeNotifiers = nullptr;
}

bool FreeHookInstalled() {
    return FreeNotifiers != nullptr;
}

int NotifyFreeHook(void* block) {
    // Nothing watched is the usual case. The release below cannot add a watch,
    // so looking at the empty list first gives the same answer as searching it
    // afterwards, and the release is left as the function's last call.
    if (!FreeNotifiers || FreeNotifiers->Count() == 0)
        return forward.FreeMem(block);
    const int status = forward.FreeMem(block);
    TellWatchers(block);
    return status;
}

void WatchFree(const void* block, FreeCallback callback, void* context) {
    if (!FreeNotifiers)
        throw SetupError("The free-notification hook is not installed");
    void* address = const_cast<void*>(block);
    FreeWatch* watch;
    const std::int32_t index = FreeNotifiers->IndexOf(address);
    if (index >= 0) {
        watch = static_cast<FreeWatch*>(FreeNotifiers->Items(index));
    } else {
        auto created = std::make_unique<FreeWatch>(address);
        FreeNotifiers->Add(created.get());
        watch = created.release();
    }
    auto subscriber = std::make_unique<TFreeSubscriber>(TFreeSubscriber{callback, context});
    watch->Subscribers.Add(subscriber.get());
    subscriber.release();
}

bool UnwatchFree(const void* block, FreeCallback callback, void* context) {
    if (!FreeNotifiers)
        return false;
    const std::int32_t index = FreeNotifiers->IndexOf(block);
    if (index >= 0) {
        auto* watch = static_cast<FreeWatch*>(FreeNotifiers->Items(index));
        if (RemoveSubscriber(*watch, callback, context)) {
            // An idle watch with nobody left to tell has no reason to stay.
            if (watch->Subscribers.Count() == 0) {
                FreeNotifiers->Remove(watch);
                delete watch;
            }
            return true;
        }
    }
    // A watch whose subscribers are being told is out of FreeNotifiers and is
    // destroyed by its notification.
    FreeWatch* active = ActiveWatchFor(block);
    return active && RemoveSubscriber(*active, callback, context);
}

} // namespace setupkit
