#pragma once
// The dictionary: the most recent unpacked bytes in a ring buffer, which the
// decoder writes into directly and copies matches within.
#include "rar/lz/decoder.h"
#include "rar/lz/match_copy.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace rar::v50 {

class Window {
  public:
    // Makes the ring `size` bytes long (when it is shorter). With
    // `keepHistory` the bytes unpacked so far stay where matches find them.
    // Throws MemoryError when the machine cannot give that much.
    void Reserve(std::size_t size, bool keepHistory);
    // Forgets the history: the next entry starts a new stream.
    void Clear() {
        pos_ = 0;
        total_ = 0;
    }

    std::size_t Size() const { return size_; }
    // Bytes unpacked into the window since the stream started.
    std::uint64_t Total() const { return total_; }

    void Put(std::uint8_t byte) {
        data_[pos_] = byte;
        if (++pos_ == size_) {
            pos_ = 0;
        }
        ++total_;
    }

    // Repeats `length` bytes from `distance` back; throws DataError for a
    // distance that reaches before the stream or past the window.
    void Copy(std::uint64_t distance, std::size_t length) {
        if (distance == 0 || distance > total_ || distance > size_) {
            throw DataError("RAR5 data: match distance outside the window");
        }
        std::size_t from =
            pos_ >= distance ? pos_ - std::size_t(distance) : pos_ + size_ - std::size_t(distance);
        if (pos_ + length < size_ && from + length <= size_) {
            CopyMatch(data_.get() + pos_, data_.get() + from, length);
            pos_ += length;
        } else {
            CopyWrapping(from, length);
        }
        total_ += length;
    }

    // Calls `emit(pointer, count)` for the bytes at absolute stream positions
    // [from, to), in order; they must still be in the window.
    template <typename Emit>
    void ForEachPiece(std::uint64_t from, std::uint64_t to, Emit emit) const {
        std::size_t start = IndexOf(from);
        std::size_t count = std::size_t(to - from);
        std::size_t first = count < size_ - start ? count : size_ - start;
        emit(data_.get() + start, first);
        if (first < count) {
            emit(data_.get(), count - first);
        }
    }

  private:
    void CopyWrapping(std::size_t from, std::size_t length);
    std::size_t IndexOf(std::uint64_t position) const;

    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;     // where the next byte goes
    std::uint64_t total_ = 0; // bytes unpacked since the stream started
};

} // namespace rar::v50
