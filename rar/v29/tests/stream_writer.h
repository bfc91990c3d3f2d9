#pragma once
// The encoder side of the 2.9 LZ format, as far as the tests need it: fixed
// code lengths, so that every symbol is written as a plain number of bits.
#include "rar/encode/bit_writer.h"
#include "rar/encode/filter_program.h"
#include "rar/tests/memory_io.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace rar::v29::test {

// The shared bit writer, plus the filter machine's variable-length number in
// its 16- or 32-bit form.
class BitWriter : public rar::encode::BitWriter {
  public:
    void PutNumber(std::uint32_t value) {
        if (value < 0x10000) {
            Put(2, 2);
            Put(value, 16);
        } else {
            Put(3, 2);
            Put(value, 32);
        }
    }
};

// Code widths of the tables StreamWriter sends: every symbol of a table has
// the same length, so symbol n is simply n in that many bits.
constexpr unsigned kMainWidth = 9;     // 299 symbols
constexpr unsigned kDistanceWidth = 6; // 60
constexpr unsigned kLowWidth = 5;      // 17
constexpr unsigned kLengthWidth = 5;   // 28

class StreamWriter {
  public:
    // A block header with the fixed tables; `keepOld` sends them as
    // differences from the previous block's (which must be the same tables).
    void Tables(bool keepOld = false) {
        lowRepeats_ = 0;
        previousLow_ = 0;
        bits.AlignToByte();
        bits.Put(0, 1); // LZ, not PPMd
        bits.Put(keepOld ? 1 : 0, 1);
        for (int i = 0; i < 20; ++i) // level code: 20 symbols of 5 bits
            bits.Put(5, 4);
        auto lengths = [&](unsigned count, unsigned width) {
            for (unsigned i = 0; i < count; ++i)
                bits.Put(keepOld ? 0 : width, 5);
        };
        lengths(299, kMainWidth);
        lengths(60, kDistanceWidth);
        lengths(17, kLowWidth);
        lengths(28, kLengthWidth);
    }
    void Literal(std::uint8_t byte) { bits.Put(byte, kMainWidth); }
    void Literals(const std::vector<std::uint8_t>& data) {
        for (auto byte : data)
            Literal(byte);
    }
    // A match with a new distance (3..258 bytes, 259 from distance 0x2000 and
    // 260 from 0x40000 on; the length as copied).
    void Match(std::uint32_t length, std::uint32_t distance, bool repeatLowBits = false) {
        if (distance >= 0x2000)
            --length;
        if (distance >= 0x40000)
            --length;
        unsigned slot = LengthSlot(length - 3);
        bits.Put(271 + slot, kMainWidth);
        PutLengthExtra(length - 3, slot);
        std::uint32_t value = distance - 1;
        unsigned dslot = DistanceSlot(value);
        bits.Put(dslot, kDistanceWidth);
        std::uint32_t extra = value - DistanceBase(dslot);
        unsigned width = DistanceBits(dslot);
        if (dslot < 10) {
            bits.Put(extra, width);
            return;
        }
        bits.Put(extra >> 4, width - 4);
        PutLowBits(extra & 15, repeatLowBits);
    }
    // A match of 2 bytes at distance 1..256.
    void ShortMatch(std::uint32_t distance) {
        static const unsigned kBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
        static const unsigned kWidth[8] = {2, 2, 3, 4, 5, 6, 6, 6};
        unsigned slot = 7;
        while (kBase[slot] > distance - 1)
            --slot;
        bits.Put(263 + slot, kMainWidth);
        bits.Put(distance - 1 - kBase[slot], kWidth[slot]);
    }
    // Reuses old distance `index` (0 = newest) for 2..257 bytes.
    void OldDistance(unsigned index, std::uint32_t length) {
        bits.Put(259 + index, kMainWidth);
        unsigned slot = LengthSlot(length - 2);
        bits.Put(slot, kLengthWidth);
        PutLengthExtra(length - 2, slot);
    }
    void RepeatLast() { bits.Put(258, kMainWidth); }
    // End of the entry; `newTables`: the next entry starts with tables.
    void EndOfEntry(bool newTables = false) {
        bits.Put(256, kMainWidth);
        bits.Put(0, 1);
        bits.Put(newTables ? 1 : 0, 1);
    }
    // End of the block; another block header follows in the same entry.
    void EndOfBlock() {
        bits.Put(256, kMainWidth);
        bits.Put(1, 1);
    }
    // End of the block; fresh tables follow in the same entry.
    void NewTables(bool keepOld) {
        EndOfBlock();
        Tables(keepOld);
    }
    // A PPMd block header asking for a fresh model (order 6, 1 MB), and the
    // coder's first four bytes, which decode to `byte`: a fresh model holds
    // the 256 byte values and then the escape, all equally likely, so the code
    // just names the byte's slot, and the coder needs no more input for it
    // unless the byte is 0.
    void FreshPpmdBlock(std::uint8_t byte) {
        bits.AlignToByte();
        bits.Put(0x80 | 0x20 | 5, 8);
        bits.Put(0, 8);
        bits.Put(byte * (0xFFFFFFFFu / 257), 32);
    }
    // A filter block: its first byte and body, as the filter queue reads them.
    void FilterBlock(std::uint8_t flags, const std::vector<std::uint8_t>& body) {
        bits.Put(257, kMainWidth);
        std::size_t size = body.size();
        if (size <= 6) {
            bits.Put(flags | static_cast<std::uint8_t>(size - 1), 8);
        } else if (size < 7 + 256) {
            bits.Put(flags | 6, 8);
            bits.Put(static_cast<std::uint32_t>(size - 7), 8);
        } else {
            bits.Put(flags | 7, 8);
            bits.Put(static_cast<std::uint32_t>(size), 16);
        }
        for (auto byte : body)
            bits.Put(byte, 8);
    }

    BitWriter bits;

  private:
    // The low four distance bits: sent, or "as before" for 16 matches.
    void PutLowBits(std::uint32_t low, bool repeat) {
        if ((lowRepeats_ > 0 || repeat) && low != previousLow_)
            throw std::logic_error("low distance bits differ from the repeated ones");
        if (lowRepeats_ > 0) {
            --lowRepeats_;
            return;
        }
        if (repeat) {
            bits.Put(16, kLowWidth);
            lowRepeats_ = 15;
            return;
        }
        bits.Put(low, kLowWidth);
        previousLow_ = low;
    }
    unsigned lowRepeats_ = 0;
    std::uint32_t previousLow_ = 0;

    static constexpr std::uint8_t kLengthBase[28] = {0,  1,  2,  3,   4,   5,   6,   7,  8,  10,
                                                     12, 14, 16, 20,  24,  28,  32,  40, 48, 56,
                                                     64, 80, 96, 112, 128, 160, 192, 224};
    static unsigned LengthBits(unsigned slot) { return slot < 8 ? 0 : (slot - 4) / 4; }
    static unsigned LengthSlot(std::uint32_t value) {
        unsigned slot = 27;
        while (kLengthBase[slot] > value)
            --slot;
        return slot;
    }
    void PutLengthExtra(std::uint32_t value, unsigned slot) {
        if (LengthBits(slot) != 0)
            bits.Put(value - kLengthBase[slot], LengthBits(slot));
    }
    // 4 slots of width 0, two per width 1..15, 14 of width 16, 12 of width 18.
    static unsigned DistanceBits(unsigned slot) {
        if (slot < 4)
            return 0;
        if (slot < 34)
            return (slot - 2) / 2;
        return slot < 48 ? 16 : 18;
    }
    static std::uint32_t DistanceBase(unsigned slot) {
        std::uint32_t base = 0;
        for (unsigned i = 0; i < slot; ++i)
            base += 1u << DistanceBits(i);
        return base;
    }
    static unsigned DistanceSlot(std::uint32_t value) {
        unsigned slot = 0;
        while (slot + 1 < 60 && DistanceBase(slot + 1) <= value)
            ++slot;
        return slot;
    }
};

// Streams written here reach the decoder from memory.
using rar::test::MemorySink;
using rar::test::MemorySource;

// Filter programs are named by size and CRC, as the encoder names them.
using rar::encode::ProgramWithCrc;

} // namespace rar::v29::test
