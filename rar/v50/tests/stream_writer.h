#pragma once
// Writes packed RAR 5.0 streams for the tests, with every code of a table the
// same length (so a symbol's code is its number), and keeps the bytes the
// stream must unpack to.
#include "rar/encode/bit_writer.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace rar::v50::test {

using rar::encode::BitWriter;

struct StreamOptions {
    bool extendedDistances = false;
    // Code the table lengths with repeat codes instead of one by one.
    bool lengthRuns = false;
};

class StreamWriter {
  public:
    static constexpr unsigned kMainBits = 9;
    static constexpr unsigned kDistanceBits = 7;
    static constexpr unsigned kLowBits = 4;
    static constexpr unsigned kLengthBits = 6;

    explicit StreamWriter(StreamOptions options = {}) : options_(options) {}

    // Starts a block; with `tables` it carries the code tables.
    void Begin(bool tables) {
        body_ = BitWriter();
        tables_ = tables;
        if (tables) {
            WriteTables();
        }
    }
    // Ends the block and appends it, header first, to the stream.
    void End(bool last) {
        std::size_t size = body_.Bytes().size();
        unsigned lastBits = body_.Bits() % 8 == 0 ? 8 : body_.Bits() % 8;
        unsigned sizeBytes = size < 0x100 ? 1 : size < 0x10000 ? 2 : 3;
        unsigned flags =
            (lastBits - 1) | (sizeBytes - 1) << 3 | (last ? 0x40 : 0) | (tables_ ? 0x80 : 0);
        unsigned check = 0x5a ^ flags;
        for (unsigned i = 0; i < sizeBytes; ++i) {
            check ^= (size >> (8 * i)) & 0xff;
        }
        stream_.push_back(std::uint8_t(flags));
        stream_.push_back(std::uint8_t(check));
        for (unsigned i = 0; i < sizeBytes; ++i) {
            stream_.push_back(std::uint8_t(size >> (8 * i)));
        }
        stream_.insert(stream_.end(), body_.Bytes().begin(), body_.Bytes().end());
    }

    void Literal(std::uint8_t byte) {
        body_.Put(byte, kMainBits);
        plain_.push_back(byte);
    }
    void Literals(const std::vector<std::uint8_t>& bytes) {
        for (std::uint8_t b : bytes) {
            Literal(b);
        }
    }
    // A match with a new distance; `length` is what it unpacks to.
    void Match(std::uint32_t length, std::uint64_t distance) {
        std::uint32_t coded = length - LengthBonus(distance);
        unsigned slot = LengthSlot(coded);
        body_.Put(262 + slot, kMainBits);
        PutLengthBits(slot, coded);
        PutDistance(distance);
        PushDistance(distance);
        lastLength_ = length;
        Copy(distance, length);
    }
    void RepeatLast() {
        body_.Put(257, kMainBits);
        Copy(distances_[0], lastLength_);
    }
    // A match with the `index`th most recent distance.
    void RepeatDistance(unsigned index, std::uint32_t length) {
        body_.Put(258 + index, kMainBits);
        unsigned slot = LengthSlot(length);
        body_.Put(slot, kLengthBits);
        PutLengthBits(slot, length);
        std::uint64_t distance = distances_[index];
        for (; index > 0; --index) {
            distances_[index] = distances_[index - 1];
        }
        distances_[0] = distance;
        lastLength_ = length;
        Copy(distance, length);
    }
    // A filter over [offset, offset + length) from the current position.
    void Filter(std::uint32_t offset, std::uint32_t length, unsigned type, unsigned channels = 1) {
        body_.Put(256, kMainBits);
        PutFilterNumber(offset);
        PutFilterNumber(length);
        body_.Put(type, 3);
        if (type == 0) {
            body_.Put(channels - 1, 5);
        }
    }
    // Raw bits, for streams the encoder would never write.
    BitWriter& Body() { return body_; }

    const std::vector<std::uint8_t>& Stream() const { return stream_; }
    // What the stream unpacks to, before any filter is undone.
    const std::vector<std::uint8_t>& Plain() const { return plain_; }
    // Starts the next entry of a solid stream: new packed data, same history.
    void NextEntry() { stream_.clear(); }

    static std::uint32_t LengthBonus(std::uint64_t distance) {
        return distance > 0x40000 ? 3 : distance > 0x2000 ? 2 : distance > 0x100 ? 1 : 0;
    }

  private:
    void WriteTables() {
        // The length code: 20 symbols of 5 bits each.
        for (int i = 0; i < 20; ++i) {
            body_.Put(5, 4);
        }
        unsigned distances = options_.extendedDistances ? 80 : 64;
        WriteLengths(306, kMainBits);
        WriteLengths(distances, kDistanceBits);
        WriteLengths(16, kLowBits);
        WriteLengths(44, kLengthBits);
    }
    void WriteLengths(unsigned count, unsigned length) {
        body_.Put(length, 5);
        --count;
        while (options_.lengthRuns && count >= 11) {
            unsigned run = count < 138 ? count : 138;
            body_.Put(17, 5);
            body_.Put(run - 11, 7);
            count -= run;
        }
        while (options_.lengthRuns && count >= 3) {
            unsigned run = count < 10 ? count : 10;
            body_.Put(16, 5);
            body_.Put(run - 3, 3);
            count -= run;
        }
        for (; count > 0; --count) {
            body_.Put(length, 5);
        }
    }
    static unsigned LengthSlot(std::uint32_t length) {
        if (length < 10) {
            return length - 2;
        }
        for (unsigned slot = 8; slot < 44; ++slot) {
            unsigned bits = slot / 4 - 1;
            std::uint32_t base = 2 + ((4 | (slot & 3)) << bits);
            if (length >= base && length < base + (1u << bits)) {
                return slot;
            }
        }
        throw std::invalid_argument("length too large");
    }
    void PutLengthBits(unsigned slot, std::uint32_t length) {
        if (slot >= 8) {
            unsigned bits = slot / 4 - 1;
            body_.Put(length - (2 + ((4 | (slot & 3)) << bits)), bits);
        }
    }
    void PutDistance(std::uint64_t distance) {
        std::uint64_t v = distance - 1;
        if (v < 4) {
            body_.Put(v, kDistanceBits);
            return;
        }
        unsigned top = 63;
        while (((v >> top) & 1) == 0) {
            --top;
        }
        unsigned bits = top - 1;
        unsigned slot = 2 * (bits + 1) + unsigned((v >> bits) & 1);
        std::uint64_t extra = v - (std::uint64_t(2 | (slot & 1)) << bits);
        body_.Put(slot, kDistanceBits);
        if (bits < 4) {
            body_.Put(extra, bits);
            return;
        }
        body_.Put(extra >> 4, bits - 4);
        body_.Put(extra & 15, kLowBits);
    }
    void PutFilterNumber(std::uint32_t value) {
        unsigned bytes = value < 0x100 ? 1 : value < 0x10000 ? 2 : value < 0x1000000 ? 3 : 4;
        body_.Put(bytes - 1, 2);
        for (unsigned i = 0; i < bytes; ++i) {
            body_.Put((value >> (8 * i)) & 0xff, 8);
        }
    }
    void PushDistance(std::uint64_t distance) {
        for (unsigned i = 3; i > 0; --i) {
            distances_[i] = distances_[i - 1];
        }
        distances_[0] = distance;
    }
    void Copy(std::uint64_t distance, std::uint32_t length) {
        for (std::uint32_t i = 0; i < length; ++i) {
            plain_.push_back(distance <= plain_.size() ? plain_[plain_.size() - distance] : 0);
        }
    }

    StreamOptions options_;
    BitWriter body_;
    bool tables_ = false;
    std::vector<std::uint8_t> stream_;
    std::vector<std::uint8_t> plain_;
    std::uint64_t distances_[4] = {};
    std::uint32_t lastLength_ = 0;
};

} // namespace rar::v50::test
