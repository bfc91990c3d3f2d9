#include "rar/v29/filter_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace rar::v29 {

namespace {

constexpr std::size_t kMaxFilters = 1024;
constexpr std::uint32_t kMaxProgramSize = 0x10000;
// The machine's global area less its fixed part.
constexpr std::uint32_t kMaxGlobalData = 0x2000 - 0x40;
// Blocks may start this much further on than their offset says.
constexpr std::uint32_t kStartBias = 258;

void Fail(const char* what) {
    throw DataError(what);
}

// The bits of a filter block, read most significant first.
class BlockBits {
  public:
    explicit BlockBits(const std::vector<std::uint8_t>& data) : data_(data) {}

    std::uint32_t Read(unsigned count) {
        std::uint32_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++bit_) {
            std::size_t byte = bit_ / 8;
            if (byte >= data_.size())
                Fail("filter block ends early");
            value = value << 1 | (data_[byte] >> (7 - bit_ % 8) & 1);
        }
        return value;
    }
    // The machine's variable-length number: a 2-bit selector, then 4, 8
    // (or a negative 8-bit value), 16 or 32 bits.
    std::uint32_t ReadNumber() {
        switch (Read(2)) {
        case 0:
            return Read(4);
        case 1: {
            std::uint32_t value = Read(8);
            if (value >= 16)
                return value;
            return 0xffffff00 | (value << 4 | Read(4));
        }
        case 2:
            return Read(16);
        default:
            return Read(32);
        }
    }
    std::size_t BitsLeft() const { return data_.size() * 8 - bit_; }

  private:
    const std::vector<std::uint8_t>& data_;
    std::size_t bit_ = 0;
};

} // namespace

void EntryOutput::Write(const std::uint8_t* data, std::size_t size) {
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
    if (take != 0)
        sink_.Write(data, take);
    remaining_ -= take;
}

void FilterQueue::Reset() {
    programs_.clear();
    lastLengths_.clear();
    lastProgram_ = 0;
    pending_.clear();
}

void FilterQueue::Add(std::uint8_t flags, const std::vector<std::uint8_t>& body,
                      std::uint64_t pos) {
    BlockBits in(body);
    std::size_t program = lastProgram_;
    if (flags & 0x80) {
        std::uint32_t number = in.ReadNumber();
        if (number == 0)
            Reset();
        program = number == 0 ? 0 : number - 1;
    }
    if (program > programs_.size() || program > kMaxFilters)
        Fail("filter block names an unknown program");
    if (pending_.size() >= kMaxFilters)
        Fail("too many filter blocks pending");
    bool newProgram = program == programs_.size();

    Pending block{};
    std::uint32_t offset = in.ReadNumber();
    block.start = pos + offset + ((flags & 0x40) ? kStartBias : 0);
    if (flags & 0x20)
        block.length = in.ReadNumber();
    else
        block.length = newProgram ? 0 : lastLengths_[program];
    block.registers[4] = block.length;
    if (flags & 0x10) {
        std::uint32_t mask = in.Read(7);
        for (unsigned i = 0; i < 7; ++i)
            if (mask >> i & 1)
                block.registers[i] = in.ReadNumber();
    }
    if (newProgram) {
        std::uint32_t size = in.ReadNumber();
        if (size == 0 || size >= kMaxProgramSize || size * 8ull > in.BitsLeft())
            Fail("filter program size out of range");
        std::vector<std::uint8_t> code(size);
        for (auto& byte : code)
            byte = static_cast<std::uint8_t>(in.Read(8));
        auto kind = IdentifyFilterProgram(code.data(), code.size());
        if (!kind)
            Fail("filter program is not a standard filter");
        programs_.push_back(*kind);
        lastLengths_.push_back(0);
    }
    if (flags & 0x08) {
        // The standard filters read nothing from the global area.
        std::uint32_t size = in.ReadNumber();
        if (size > kMaxGlobalData || size * 8ull > in.BitsLeft())
            Fail("filter data size out of range");
    }
    // The output size follows r4; a block that sets it apart from its length
    // has no consistent meaning.
    if (block.registers[4] != block.length)
        Fail("filter block length mismatch");
    lastProgram_ = program;
    lastLengths_[program] = block.length;
    block.kind = programs_[program];
    pending_.push_back(block);
}

std::uint8_t* FilterQueue::Memory() {
    if (!memory_) {
        memory_.reset(new (std::nothrow) std::uint8_t[kFilterMemorySize]());
        if (!memory_)
            throw MemoryError("cannot allocate filter memory");
    }
    return memory_.get();
}

void FilterQueue::WriteRaw(Window& window, EntryOutput& out, std::uint64_t end) {
    while (window.written < end) {
        std::size_t size = static_cast<std::size_t>(end - window.written);
        const std::uint8_t* data = window.Span(window.written, size);
        out.Write(data, size);
        window.written += size;
    }
}

void FilterQueue::WriteOut(Window& window, EntryOutput& out) {
    for (std::size_t i = 0; i < pending_.size();) {
        const Pending& block = pending_[i];
        if (block.start < window.written) {
            // Overlaps a block already written: it can no longer apply.
            pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (block.start >= window.pos) {
            ++i;
            continue;
        }
        WriteRaw(window, out, block.start);
        if (block.length > window.pos - block.start)
            return;
        RunBlock(i, window, out);
    }
    WriteRaw(window, out, window.pos);
}

void FilterQueue::RunBlock(std::size_t index, Window& window, EntryOutput& out) {
    const std::uint64_t start = pending_[index].start;
    const std::uint32_t length = pending_[index].length;
    if (length > kFilterMemorySize)
        Fail("filter block too large");
    std::uint8_t* memory = Memory();
    window.Read(start, length, memory);
    auto fileOffset = static_cast<std::uint32_t>(out.OffsetOf(start));
    std::size_t result = 0;
    // Further blocks on exactly the same bytes filter the previous result.
    while (index < pending_.size() && pending_[index].start == start &&
           pending_[index].length == length) {
        if (result != 0)
            std::memmove(memory, memory + result, length);
        result =
            RunFilter(pending_[index].kind, pending_[index].registers, memory, length, fileOffset);
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    out.Write(memory + result, length);
    window.written = start + length;
}

} // namespace rar::v29
