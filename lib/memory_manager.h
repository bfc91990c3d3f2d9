#pragma once
// The process's memory manager: one record of three functions through which
// every dynamic allocation of the program passes. The program's own code
// reaches it through the replaced global operator new/delete family (see
// global_allocation.cpp, linked into the setup program) and through the
// allocation functions below, which the support library's lists use.
#include <cstddef>

namespace setupkit {

// Release answers 0 when the block was released and anything else when it
// was not.
struct TMemoryManager {
    void* (*GetMem)(std::size_t size);
    int (*FreeMem)(void* block);
    void* (*ReallocMem)(void* block, std::size_t size);
};

// The runtime's own functions, in force until somebody installs another record.
void* DefaultGetMem(std::size_t size);
int DefaultFreeMem(void* block);
void* DefaultReallocMem(void* block, std::size_t size);

// Reads the record exactly as it was installed, null slots included.
TMemoryManager GetMemoryManager();
// Installs a record. A null slot stands for the runtime's default function.
void SetMemoryManager(const TMemoryManager& manager);

// Allocate, release and resize through the record in force. A failed
// allocation answers null; a failed release answers non-zero.
void* AllocateBlock(std::size_t size);
int ReleaseBlock(void* block);
void* ResizeBlock(void* block, std::size_t size);

} // namespace setupkit
