#pragma once
// Tells subscribers when a watched block of dynamic memory is released. The
// hook sits in the process's memory manager (memory_manager.h): allocation and
// resizing pass straight through, and every release is followed by one binary
// search of the watched addresses.
#include "lib/free_notifiers_list.h"

namespace setupkit {

// Installs the hook on top of the memory manager in force. Raises SetupError
// when the hook is installed already, since the hook would then forward to
// itself.
void InstallFreeHook();
// Puts back the manager that was in force at installation and discards the
// remaining watches without telling anybody. Does nothing when not installed.
void RemoveFreeHook();
bool FreeHookInstalled();

// The hook's release function: releases the block through the previous
// manager, then tells the subscribers of a watch on it and forgets the watch.
// Answers the previous manager's release status unchanged.
int NotifyFreeHook(void* block);

// Registers `callback` with `context` to be called once after `block` is
// released; several registrations for one block are called in the order they
// were made. Raises SetupError when the hook is not installed.
void WatchFree(const void* block, FreeCallback callback, void* context);
// Cancels the first registration for `block` with this callback and context,
// also from inside a callback for that block. Answers whether there was one.
bool UnwatchFree(const void* block, FreeCallback callback, void* context);

// Holds the hook installed for the lifetime of the object.
class FreeHookInstallation {
  public:
    FreeHookInstallation() { InstallFreeHook(); }
    ~FreeHookInstallation() { RemoveFreeHook(); }
    FreeHookInstallation(const FreeHookInstallation&) = delete;
    FreeHookInstallation& operator=(const FreeHookInstallation&) = delete;
};

} // namespace setupkit
