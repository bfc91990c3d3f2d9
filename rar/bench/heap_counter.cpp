#include "rar/bench/heap_counter.h"

#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

// glibc's own allocator under its second names: the replacements below count
// and hand on to these.
// NOLINTBEGIN(bugprone-reserved-identifier): these are glibc's names.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace {

std::atomic<std::int64_t> live{0};
std::atomic<std::int64_t> peak{0};

std::int64_t Usable(void* block) {
    return static_cast<std::int64_t>(malloc_usable_size(block));
}

void RaisePeak(std::int64_t now) {
    std::int64_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
}

void* Counted(void* block) {
    if (block) {
        const std::int64_t size = Usable(block);
        RaisePeak(live.fetch_add(size, std::memory_order_relaxed) + size);
    }
    return block;
}

void Uncount(void* block) {
    if (block)
        live.fetch_sub(Usable(block), std::memory_order_relaxed);
}

std::size_t PageSize() {
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

} // namespace

namespace rar::bench {

std::int64_t HeapLive() {
    return live.load(std::memory_order_relaxed);
}
std::int64_t HeapPeak() {
    return peak.load(std::memory_order_relaxed);
}
void ResetHeapPeak() {
    peak.store(HeapLive(), std::memory_order_relaxed);
}

} // namespace rar::bench

extern "C" {

void* malloc(std::size_t size) noexcept {
    return Counted(__libc_malloc(size));
}

void* calloc(std::size_t count, std::size_t size) noexcept {
    return Counted(__libc_calloc(count, size));
}

void* realloc(void* block, std::size_t size) noexcept {
    const std::int64_t before = block ? Usable(block) : 0;
    void* moved = __libc_realloc(block, size);
    // A failed resize leaves the old block in place; a resize to nothing frees it.
    if (!moved && size != 0)
        return nullptr;
    live.fetch_sub(before, std::memory_order_relaxed);
    return Counted(moved);
}

void free(void* block) noexcept {
    Uncount(block);
    __libc_free(block);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
    return Counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    return Counted(__libc_memalign(alignment, size));
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* block = __libc_memalign(alignment, size);
    if (!block)
        return ENOMEM;
    *out = Counted(block);
    return 0;
}

void* valloc(std::size_t size) noexcept {
    return Counted(__libc_memalign(PageSize(), size));
}

void* pvalloc(std::size_t size) noexcept {
    const std::size_t page = PageSize();
    return Counted(__libc_memalign(page, (size + page - 1) / page * page));
}

} // extern "C"
