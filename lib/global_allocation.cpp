// Every dynamic allocation of the program's own code reaches the process's
// memory manager because this file replaces the whole global operator
// new/delete family (plain, array, nothrow, sized and aligned forms) with
// functions that call through the manager record. It is linked as an object
// into the programs that want it (the setup program, its allocation test and
// the benchmark) and kept out of the support library itself, so that the
// sanitizer builds of everything else keep the sanitizer's own operators.
#include "lib/memory_manager.h"

#include <cstdint>
#include <cstdlib>
#include <new>

using setupkit::AllocateBlock;
using setupkit::ReleaseBlock;

namespace {

void* Allocate(std::size_t size) {
    // Every allocation must answer a distinct block, also for size 0.
    if (size == 0)
        size = 1;
    for (;;) {
        if (void* block = AllocateBlock(size))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* AllocateNoThrow(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void Release(void* block) noexcept {
    // A block the manager refuses to release was never one of its blocks: the
    // heap is damaged, and a delete has no way to report it, so the process
    // stops rather than go on with corrupt memory.
    if (block && ReleaseBlock(block) != 0)
        std::abort();
}

// Over-aligned blocks are carved out of a larger manager block; the address
// the manager handed out is kept just below the aligned address, so the
// release reaches the manager with the block it knows.
void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    // The saved address below the block needs a pointer's alignment itself.
    std::size_t align = static_cast<std::size_t>(alignment);
    if (align < alignof(void*))
        align = alignof(void*);
    if (size > SIZE_MAX - align - sizeof(void*))
        throw std::bad_alloc();
    void* raw = Allocate(size + align + sizeof(void*));
    const auto start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    const std::uintptr_t aligned = (start + align - 1) & ~static_cast<std::uintptr_t>(align - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void* AllocateAlignedNoThrow(std::size_t size, std::align_val_t alignment) noexcept {
    try {
        return AllocateAligned(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void ReleaseAligned(void* block) noexcept {
    if (block)
        Release(static_cast<void**>(block)[-1]);
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return AllocateAligned(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAlignedNoThrow(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return AllocateAlignedNoThrow(size, alignment);
}

void operator delete(void* block) noexcept {
    Release(block);
}
void operator delete[](void* block) noexcept {
    Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    ReleaseAligned(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    ReleaseAligned(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    ReleaseAligned(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    ReleaseAligned(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    ReleaseAligned(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    ReleaseAligned(block);
}
