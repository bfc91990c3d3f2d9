#include "rar/ppmd/sub_allocator.h"

namespace rar::ppmd {

namespace {

constexpr unsigned kIndexCount = 38;

struct UnitTables {
    std::uint8_t indexToUnits[kIndexCount]{};
    std::uint8_t unitsToIndex[128]{};
};

// Block sizes 1-4 units in steps of one, then steps of two, three and four
// up to 128 units.
constexpr UnitTables MakeUnitTables() {
    UnitTables t;
    unsigned units = 0;
    for (unsigned i = 0; i < kIndexCount; ++i) {
        units += i < 4 ? 1 : i < 8 ? 2 : i < 12 ? 3 : 4;
        t.indexToUnits[i] = static_cast<std::uint8_t>(units);
    }
    for (unsigned k = 0, i = 0; k < 128; ++k) {
        i += t.indexToUnits[i] < k + 1;
        t.unitsToIndex[k] = static_cast<std::uint8_t>(i);
    }
    return t;
}

constexpr UnitTables kUnits = MakeUnitTables();

// Where a free block keeps its fields while blocks are glued together.
constexpr std::uint32_t kStamp = 0;
constexpr std::uint32_t kUnitsField = 2;
constexpr std::uint32_t kNext = 4;
constexpr std::uint32_t kPrev = 8;
// The list head of the glue pass lives in the heap's first unit, which is
// never handed out.
constexpr std::uint32_t kGlueHead = 0;

} // namespace

void SubAllocator::Start(unsigned megabytes) {
    std::uint32_t size = static_cast<std::uint32_t>(megabytes) << 20;
    if (size_ == size)
        return;
    Stop();
    heap.Allocate(std::size_t{kUnitSize} + size + kUnitSize);
    heapStart_ = kUnitSize;
    heapEnd = heapStart_ + size;
    // A block at the very end is never glued to what lies beyond it.
    heap.Clear(heapEnd, kUnitSize);
    size_ = size;
}

void SubAllocator::Stop() {
    heap.Release();
    size_ = 0;
}

void SubAllocator::Init() {
    freeList_.fill(0);
    text = heapStart_;
    std::uint32_t unitsSize = kUnitSize * (size_ / 8 / kUnitSize * 7);
    loUnit_ = unitsStart = heapStart_ + (size_ - unitsSize);
    hiUnit_ = loUnit_ + unitsSize;
    glueCount_ = 0;
}

void SubAllocator::InsertNode(std::uint32_t block, unsigned index) {
    heap.SetLong(block, freeList_[index]);
    freeList_[index] = block;
}

std::uint32_t SubAllocator::RemoveNode(unsigned index) {
    std::uint32_t block = freeList_[index];
    freeList_[index] = heap.Long(block);
    return block;
}

void SubAllocator::SplitBlock(std::uint32_t block, unsigned oldIndex, unsigned newIndex) {
    unsigned diff = kUnits.indexToUnits[oldIndex] - kUnits.indexToUnits[newIndex];
    std::uint32_t p = block + Bytes(kUnits.indexToUnits[newIndex]);
    unsigned i = kUnits.unitsToIndex[diff - 1];
    if (kUnits.indexToUnits[i] != diff) {
        InsertNode(p, --i);
        p += Bytes(kUnits.indexToUnits[i]);
        diff -= kUnits.indexToUnits[i];
    }
    InsertNode(p, kUnits.unitsToIndex[diff - 1]);
}

void SubAllocator::GlueFreeBlocks() {
    auto link = [this](std::uint32_t block, std::uint32_t after) {
        std::uint32_t next = heap.Long(after + kNext);
        heap.SetLong(block + kNext, next);
        heap.SetLong(block + kPrev, after);
        heap.SetLong(after + kNext, block);
        heap.SetLong(next + kPrev, block);
    };
    auto unlink = [this](std::uint32_t block) {
        std::uint32_t next = heap.Long(block + kNext);
        std::uint32_t prev = heap.Long(block + kPrev);
        heap.SetLong(prev + kNext, next);
        heap.SetLong(next + kPrev, prev);
    };
    if (loUnit_ != hiUnit_)
        heap.SetWord(loUnit_ + kStamp, 0);
    heap.SetLong(kGlueHead + kNext, kGlueHead);
    heap.SetLong(kGlueHead + kPrev, kGlueHead);
    for (unsigned i = 0; i < kIndexes; ++i) {
        while (freeList_[i] != 0) {
            std::uint32_t p = RemoveNode(i);
            link(p, kGlueHead);
            heap.SetWord(p + kStamp, 0xFFFF);
            heap.SetWord(p + kUnitsField, kUnits.indexToUnits[i]);
        }
    }
    for (std::uint32_t p = heap.Long(kGlueHead + kNext); p != kGlueHead; p = heap.Long(p + kNext)) {
        for (;;) {
            std::uint32_t next = p + Bytes(heap.Word(p + kUnitsField));
            if (heap.Word(next + kStamp) != 0xFFFF ||
                heap.Word(p + kUnitsField) + heap.Word(next + kUnitsField) >= 0x10000)
                break;
            unlink(next);
            heap.SetWord(p + kUnitsField,
                         static_cast<std::uint16_t>(heap.Word(p + kUnitsField) +
                                                    heap.Word(next + kUnitsField)));
        }
    }
    for (std::uint32_t p; (p = heap.Long(kGlueHead + kNext)) != kGlueHead;) {
        unlink(p);
        unsigned units = heap.Word(p + kUnitsField);
        for (; units > 128; units -= 128, p += Bytes(128))
            InsertNode(p, kIndexes - 1);
        unsigned i = kUnits.unitsToIndex[units - 1];
        if (kUnits.indexToUnits[i] != units) {
            unsigned rest = units - kUnits.indexToUnits[--i];
            InsertNode(p + Bytes(units - rest), rest - 1);
        }
        InsertNode(p, i);
    }
}

std::uint32_t SubAllocator::AllocUnitsRare(unsigned index) {
    if (glueCount_ == 0) {
        glueCount_ = 255;
        GlueFreeBlocks();
        if (freeList_[index] != 0)
            return RemoveNode(index);
    }
    unsigned i = index;
    do {
        if (++i == kIndexes) {
            --glueCount_;
            std::uint32_t bytes = Bytes(kUnits.indexToUnits[index]);
            if (unitsStart - text > bytes) {
                unitsStart -= bytes;
                return unitsStart;
            }
            return 0;
        }
    } while (freeList_[i] == 0);
    std::uint32_t block = RemoveNode(i);
    SplitBlock(block, i, index);
    return block;
}

std::uint32_t SubAllocator::AllocUnits(unsigned units) {
    unsigned index = kUnits.unitsToIndex[units - 1];
    if (freeList_[index] != 0)
        return RemoveNode(index);
    std::uint32_t bytes = Bytes(kUnits.indexToUnits[index]);
    if (hiUnit_ - loUnit_ >= bytes) {
        std::uint32_t block = loUnit_;
        loUnit_ += bytes;
        return block;
    }
    return AllocUnitsRare(index);
}

std::uint32_t SubAllocator::AllocContext() {
    if (hiUnit_ != loUnit_)
        return hiUnit_ -= kUnitSize;
    if (freeList_[0] != 0)
        return RemoveNode(0);
    return AllocUnitsRare(0);
}

std::uint32_t SubAllocator::ExpandUnits(std::uint32_t old, unsigned oldUnits) {
    unsigned i0 = kUnits.unitsToIndex[oldUnits - 1];
    unsigned i1 = kUnits.unitsToIndex[oldUnits];
    if (i0 == i1)
        return old;
    std::uint32_t block = AllocUnits(oldUnits + 1);
    if (block != 0) {
        heap.Move(block, old, Bytes(oldUnits));
        InsertNode(old, i0);
    }
    return block;
}

std::uint32_t SubAllocator::ShrinkUnits(std::uint32_t old, unsigned oldUnits, unsigned newUnits) {
    unsigned i0 = kUnits.unitsToIndex[oldUnits - 1];
    unsigned i1 = kUnits.unitsToIndex[newUnits - 1];
    if (i0 == i1)
        return old;
    if (freeList_[i1] != 0) {
        std::uint32_t block = RemoveNode(i1);
        heap.Move(block, old, Bytes(newUnits));
        InsertNode(old, i0);
        return block;
    }
    SplitBlock(old, i0, i1);
    return old;
}

void SubAllocator::FreeUnits(std::uint32_t block, unsigned units) {
    InsertNode(block, kUnits.unitsToIndex[units - 1]);
}

} // namespace rar::ppmd
