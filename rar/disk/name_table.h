#pragma once
// Exact-match lookup by name for what an extraction remembers: open
// addressing over one vector. The runtime's tree and hash containers would
// each add several KB of code to unrar.dll, which every setup carries; this
// costs one hash per lookup and one comparison on a hit.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace rar {

template <class Key, class Value> class NameTable {
  public:
    // The value under `key`, or null.
    Value* Find(const Key& key) {
        if (slots_.empty())
            return nullptr;
        Slot& slot = SlotFor(key);
        return slot.used ? &slot.value : nullptr;
    }
    // The value under `key`, made value-initialised when it is new.
    Value& operator[](const Key& key) {
        if (2 * (count_ + 1) > slots_.size())
            Grow();
        Slot& slot = SlotFor(key);
        if (!slot.used) {
            slot = Slot{key, Value{}, true};
            ++count_;
        }
        return slot.value;
    }
    bool Empty() const { return count_ == 0; }
    void Clear() {
        slots_.clear();
        count_ = 0;
    }

  private:
    struct Slot {
        Key key;
        Value value{};
        bool used = false;
    };

    // The slot that holds `key`, or the free one where it would go; the
    // table is never more than half full, so there is always one.
    Slot& SlotFor(const Key& key) {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (!slot.used || slot.key == key)
                return slot;
        }
    }

    static std::size_t Hash(const Key& key) {
        std::uint32_t hash = 2166136261u; // FNV-1a
        for (auto c : key)
            hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
        return hash;
    }

    void Grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : 2 * slots_.size());
        old.swap(slots_);
        for (Slot& slot : old)
            if (slot.used)
                SlotFor(slot.key) = std::move(slot);
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

} // namespace rar
