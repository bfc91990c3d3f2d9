#pragma once
// A list of object references kept in the order a descendant's comparison
// defines, searched by binary search. The list never creates or frees the
// objects it refers to; their owner does.
#include "lib/fast_list.h"

#include <cstdint>

namespace setupkit {

class TCustomSortedList {
  public:
    TCustomSortedList() = default;
    TCustomSortedList(const TCustomSortedList&) = delete;
    TCustomSortedList& operator=(const TCustomSortedList&) = delete;
    virtual ~TCustomSortedList() = default;

    // Negative when the first argument sorts before the second, zero when they
    // are equal, positive when it sorts after.
    virtual int Compare(const void* entry, const void* key) const;
    virtual int CompareItems(const void* a, const void* b) const;
    virtual void Delete(std::int32_t index);

    std::int32_t Count() const { return list_.Count(); }
    void* Items(std::int32_t index) const { return list_.Items(index); }

    bool Find(const void* key, std::int32_t& index) const;
    bool FindItem(const void* entry, std::int32_t& index) const;
    std::int32_t IndexOf(const void* key) const;
    std::int32_t Remove(const void* entry);
    // Inserts where FindItem places the entry, so a sorted list stays sorted;
    // an unsorted list appends. With Duplicates 1 an entry equal to others goes
    // after them; with any other mode it is refused. Answers the entry's
    // index, or -1 when refused.
    std::int32_t Add(void* entry);

    // 1: equal keys may coexist and searches report the lowest of them.
    // Anything else: a search stops at the first equal entry it meets.
    std::uint8_t Duplicates = 0;
    // Sorted lists are searched by halving, unsorted ones from the start.
    bool Sorted = true;

  private:
    template <typename Cmp> bool Search(const void* probe, std::int32_t& index, Cmp cmp) const;

    TFastList list_;
};

} // namespace setupkit
