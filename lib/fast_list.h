#pragma once
// A growable array of untyped references: the storage under the sorted lists
// and the subscriber lists of the free-notification hook. Its array comes from
// the process's memory manager, so it is watched like every other block.
#include <cstdint>

namespace setupkit {

class TFastList final {
  public:
    TFastList() = default;
    TFastList(const TFastList&) = delete;
    TFastList& operator=(const TFastList&) = delete;
    // Releases the reference array only; the referenced objects stay alive
    // and are not visited.
    ~TFastList();

    std::int32_t Count() const { return count_; }
    // Raise "List index out of bounds (%d)" for an index outside 0 .. Count - 1.
    void* Items(std::int32_t index) const;
    void Delete(std::int32_t index);
    // Insert accepts 0 .. Count; later entries move up by one.
    void Insert(std::int32_t index, void* item);
    std::int32_t Add(void* item);
    // Position of the first entry that is this very reference, or -1.
    std::int32_t IndexOf(const void* item) const;

  private:
    void CheckIndex(std::int32_t index, std::int32_t last) const;
    void Grow();

    void** items_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t capacity_ = 0;
};

} // namespace setupkit
