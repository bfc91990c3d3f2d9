#pragma once
// The process's live heap, counted at the C allocator's entry points, which
// operator new reaches too. Linking this in replaces malloc and its kin for
// the whole program, so only the benchmark and its tests do; it cannot share
// a process with a sanitizer's allocator.
#include <cstdint>

namespace rar::bench {

// Bytes allocated and not yet freed, as the allocator hands them out
// (usable size, so rounding inside the allocator counts as used).
std::int64_t HeapLive();
// The highest HeapLive() since the last ResetHeapPeak().
std::int64_t HeapPeak();
void ResetHeapPeak();

} // namespace rar::bench
