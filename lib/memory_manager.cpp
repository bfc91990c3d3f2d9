#include "lib/memory_manager.h"

#include <cstdlib>

namespace setupkit {

void* DefaultGetMem(std::size_t size) {
    return std::malloc(size);
}

int DefaultFreeMem(void* block) {
    std::free(block);
    return 0;
}

void* DefaultReallocMem(void* block, std::size_t size) {
    return std::realloc(block, size);
}

namespace {

// Both records are constant-initialised, so allocations made by static
// constructors of any translation unit already find a usable manager.
TMemoryManager installed = {DefaultGetMem, DefaultFreeMem, DefaultReallocMem};
// The installed record with null slots resolved once, so that dispatching
// costs no test per call.
TMemoryManager dispatch = {DefaultGetMem, DefaultFreeMem, DefaultReallocMem};

} // namespace

TMemoryManager GetMemoryManager() {
    return installed;
}

void SetMemoryManager(const TMemoryManager& manager) {
    installed = manager;
    dispatch.GetMem = manager.GetMem ? manager.GetMem : DefaultGetMem;
    dispatch.FreeMem = manager.FreeMem ? manager.FreeMem : DefaultFreeMem;
    dispatch.ReallocMem = manager.ReallocMem ? manager.ReallocMem : DefaultReallocMem;
}

void* AllocateBlock(std::size_t size) {
    return dispatch.GetMem(size);
}

int ReleaseBlock(void* block) {
    return dispatch.FreeMem(block);
}

void* ResizeBlock(void* block, std::size_t size) {
    return dispatch.ReallocMem(block, size);
}

} // namespace setupkit
