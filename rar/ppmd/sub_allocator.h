#pragma once
// Hands out the model's memory in units of twelve bytes: contexts take one
// unit, symbol lists one unit per two symbols. The text of the stream grows
// from the bottom of the heap, units from the top; freed units go to lists by
// size and are glued together again when a size runs out.
#include "rar/ppmd/heap.h"

#include <array>
#include <cstdint>

namespace rar::ppmd {

class SubAllocator {
  public:
    static constexpr std::uint32_t kUnitSize = 12;

    // Sizes the heap for `megabytes` MB; keeps the block when the size stays.
    void Start(unsigned megabytes);
    void Stop();
    bool Started() const { return size_ != 0; }
    // Empties the heap for a fresh model.
    void Init();

    // Each returns 0 when the heap is full.
    std::uint32_t AllocContext();
    std::uint32_t AllocUnits(unsigned units);
    std::uint32_t ExpandUnits(std::uint32_t old, unsigned oldUnits);
    std::uint32_t ShrinkUnits(std::uint32_t old, unsigned oldUnits, unsigned newUnits);
    void FreeUnits(std::uint32_t block, unsigned units);

    Heap heap;
    std::uint32_t text = 0;       // next free byte of the text area
    std::uint32_t unitsStart = 0; // lowest unit; the text area ends here
    std::uint32_t heapEnd = 0;

  private:
    static constexpr unsigned kIndexes = 38;

    void InsertNode(std::uint32_t block, unsigned index);
    std::uint32_t RemoveNode(unsigned index);
    void SplitBlock(std::uint32_t block, unsigned oldIndex, unsigned newIndex);
    void GlueFreeBlocks();
    std::uint32_t AllocUnitsRare(unsigned index);
    static std::uint32_t Bytes(unsigned units) { return units * kUnitSize; }

    std::uint32_t size_ = 0;
    std::uint32_t heapStart_ = 0;
    std::uint32_t loUnit_ = 0;
    std::uint32_t hiUnit_ = 0;
    // Counts down, wrapping, the allocations that may pass before the next
    // glue pass.
    std::uint8_t glueCount_ = 0;
    std::array<std::uint32_t, kIndexes> freeList_{};
};

} // namespace rar::ppmd
