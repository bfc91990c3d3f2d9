#include "rar/v29/standard_filters.h"

#include "rar/check/crc32.h"
#include "rar/lz/decoder.h"

#include <cstdlib>

namespace rar::v29 {

namespace {

struct ProgramSignature {
    std::size_t size;
    std::uint32_t crc;
    FilterKind kind;
};

constexpr ProgramSignature kStandardPrograms[] = {
    {53, 0xad576887, FilterKind::E8},       {57, 0x3cd7e57e, FilterKind::E8E9},
    {120, 0x3769893f, FilterKind::Itanium}, {29, 0x0e06077d, FilterKind::Delta},
    {149, 0x1c2c5dc8, FilterKind::Rgb},     {216, 0xbc85e701, FilterKind::Audio},
};

constexpr std::uint32_t kMaxChannels = 1024;

void Require(bool condition) {
    if (!condition)
        throw DataError("filter parameters out of range");
}

std::uint32_t Load32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Store32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// x86 CALL (and JMP) targets were made absolute so that repeated calls to one
// function look alike; the 16 MB bound is the archiver's notion of file size.
void UndoCallTargets(std::uint8_t* data, std::uint32_t length, std::uint32_t fileOffset,
                     bool withJumps) {
    if (length <= 4)
        return;
    constexpr std::uint32_t kFileSize = 0x1000000;
    for (std::uint32_t pos = 0; pos < length - 4;) {
        std::uint8_t op = data[pos++];
        if (op != 0xe8 && !(withJumps && op == 0xe9))
            continue;
        std::uint32_t offset = pos + fileOffset;
        std::uint32_t address = Load32(data + pos);
        if (address & 0x80000000) {
            if (((address + offset) & 0x80000000) == 0)
                Store32(data + pos, address + kFileSize);
        } else if ((address - kFileSize) & 0x80000000) {
            Store32(data + pos, address - offset);
        }
        pos += 4;
    }
}

// Little-endian bit fields of a 128-bit IA-64 bundle.
std::uint32_t BundleBits(const std::uint8_t* bundle, unsigned first, unsigned count) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
        unsigned bit = first + i;
        value |= static_cast<std::uint32_t>(bundle[bit / 8] >> (bit % 8) & 1) << i;
    }
    return value;
}

void SetBundleBits(std::uint8_t* bundle, unsigned first, unsigned count, std::uint32_t value) {
    for (unsigned i = 0; i < count; ++i) {
        unsigned bit = first + i;
        auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
        if (value >> i & 1)
            bundle[bit / 8] |= mask;
        else
            bundle[bit / 8] &= static_cast<std::uint8_t>(~mask);
    }
}

// Branch targets in IA-64 code were made absolute, per 16-byte bundle.
void UndoItaniumBranches(std::uint8_t* data, std::uint32_t length, std::uint32_t fileOffset) {
    if (length <= 21)
        return;
    // Which of the three slots hold a branch unit, for templates 0x10..0x1f
    // (MIB, MBB, reserved, BBB, MMB, reserved, MFB, reserved; each twice).
    static constexpr std::uint8_t kBranchSlots[16] = {4, 4, 6, 6, 0, 0, 7, 7,
                                                      4, 4, 0, 0, 4, 4, 0, 0};
    std::uint32_t bundleIndex = fileOffset >> 4;
    for (std::uint32_t pos = 0; pos < length - 21; pos += 16, ++bundleIndex) {
        std::uint8_t* bundle = data + pos;
        unsigned bundleTemplate = bundle[0] & 0x1f;
        if (bundleTemplate < 0x10)
            continue;
        unsigned slots = kBranchSlots[bundleTemplate - 0x10];
        for (unsigned slot = 0; slot < 3; ++slot) {
            if (!(slots >> slot & 1))
                continue;
            unsigned start = slot * 41 + 5;
            if (BundleBits(bundle, start + 37, 4) != 5)
                continue;
            std::uint32_t target = BundleBits(bundle, start + 13, 20);
            SetBundleBits(bundle, start + 13, 20, (target - bundleIndex) & 0xfffff);
        }
    }
}

// Bytes were regrouped by channel and stored as differences.
void UndoDelta(const std::uint8_t* in, std::uint8_t* out, std::uint32_t length,
               std::uint32_t channels) {
    Require(channels != 0 && channels <= kMaxChannels);
    for (std::uint32_t channel = 0; channel < channels; ++channel) {
        std::uint8_t previous = 0;
        for (std::uint32_t pos = channel; pos < length; pos += channels)
            out[pos] = previous = static_cast<std::uint8_t>(previous - *in++);
    }
}

unsigned PaethPredict(int left, int upper, int upperLeft) {
    int estimate = left + upper - upperLeft;
    int toLeft = std::abs(estimate - left);
    int toUpper = std::abs(estimate - upper);
    int toUpperLeft = std::abs(estimate - upperLeft);
    if (toLeft <= toUpper && toLeft <= toUpperLeft)
        return static_cast<unsigned>(left);
    return static_cast<unsigned>(toUpper <= toUpperLeft ? upper : upperLeft);
}

// 24-bit pixels predicted from their neighbours, with green subtracted from
// red and blue.
void UndoRgb(const std::uint8_t* in, std::uint8_t* out, std::uint32_t length,
             std::uint32_t widthParam, std::uint32_t redPos) {
    Require(length >= 3 && redPos <= 2 && widthParam >= 3 && widthParam - 3 <= length);
    const std::uint32_t width = widthParam - 3;
    for (std::uint32_t channel = 0; channel < 3; ++channel) {
        unsigned previous = 0;
        for (std::uint32_t pos = channel; pos < length; pos += 3) {
            unsigned predicted = previous;
            if (pos >= width + 3) {
                const std::uint8_t* upper = out + pos - width;
                predicted = PaethPredict(static_cast<int>(previous), upper[0], upper[-3]);
            }
            previous = (predicted - *in++) & 0xff;
            out[pos] = static_cast<std::uint8_t>(previous);
        }
    }
    for (std::uint32_t pos = redPos; pos + 2 < length; pos += 3) {
        out[pos] = static_cast<std::uint8_t>(out[pos] + out[pos + 1]);
        out[pos + 2] = static_cast<std::uint8_t>(out[pos + 2] + out[pos + 1]);
    }
}

// One channel of the adaptive audio predictor.
class AudioChannel {
  public:
    std::uint8_t Restore(std::uint8_t coded) {
        d3_ = d2_;
        d2_ = previousDelta_ - d1_;
        d1_ = previousDelta_;
        std::uint32_t predicted =
            8 * previous_ + static_cast<std::uint32_t>(k1_ * d1_ + k2_ * d2_ + k3_ * d3_);
        auto value = static_cast<std::uint8_t>(((predicted >> 3) & 0xff) - coded);
        // The delta is a signed 8-bit quantity by definition of the filter.
        // NOLINTNEXTLINE(bugprone-signed-char-misuse)
        previousDelta_ = static_cast<std::int8_t>(value - previous_);
        previous_ = value;
        Adapt(static_cast<std::int8_t>(coded) * 8);
        return value;
    }

  private:
    // Every 32 bytes the weight whose change would have fit best moves by one.
    void Adapt(int d) {
        errors_[0] += std::abs(d);
        errors_[1] += std::abs(d - d1_);
        errors_[2] += std::abs(d + d1_);
        errors_[3] += std::abs(d - d2_);
        errors_[4] += std::abs(d + d2_);
        errors_[5] += std::abs(d - d3_);
        errors_[6] += std::abs(d + d3_);
        if ((count_++ & 0x1f) != 0)
            return;
        unsigned best = 0;
        for (unsigned i = 1; i < 7; ++i)
            if (errors_[i] < errors_[best])
                best = i;
        errors_ = {};
        int* weights[3] = {&k1_, &k2_, &k3_};
        if (best == 0)
            return;
        int& k = *weights[(best - 1) / 2];
        if (best % 2 == 1 && k >= -16)
            --k;
        else if (best % 2 == 0 && k < 16)
            ++k;
    }

    std::uint32_t previous_ = 0;
    int previousDelta_ = 0;
    int d1_ = 0, d2_ = 0, d3_ = 0;
    int k1_ = 0, k2_ = 0, k3_ = 0;
    std::array<std::uint32_t, 7> errors_{};
    std::uint32_t count_ = 0;
};

void UndoAudio(const std::uint8_t* in, std::uint8_t* out, std::uint32_t length,
               std::uint32_t channels) {
    Require(channels != 0 && channels <= kMaxChannels);
    for (std::uint32_t channel = 0; channel < channels; ++channel) {
        AudioChannel predictor;
        for (std::uint32_t pos = channel; pos < length; pos += channels)
            out[pos] = predictor.Restore(*in++);
    }
}

} // namespace

std::optional<FilterKind> IdentifyFilterProgram(const std::uint8_t* code, std::size_t size) {
    std::uint32_t crc = Crc32(0, code, size);
    for (const auto& program : kStandardPrograms)
        if (program.size == size && program.crc == crc)
            return program.kind;
    return std::nullopt;
}

FilterProgramId StandardProgramId(FilterKind kind) {
    for (const auto& program : kStandardPrograms)
        if (program.kind == kind)
            return {program.size, program.crc};
    throw Error("no standard program for the filter");
}

std::size_t RunFilter(FilterKind kind, const FilterRegisters& registers, std::uint8_t* memory,
                      std::uint32_t length, std::uint32_t fileOffset) {
    switch (kind) {
    case FilterKind::E8:
    case FilterKind::E8E9:
        Require(length <= kFilterMemorySize);
        UndoCallTargets(memory, length, fileOffset, kind == FilterKind::E8E9);
        return 0;
    case FilterKind::Itanium:
        Require(length <= kFilterMemorySize);
        UndoItaniumBranches(memory, length, fileOffset);
        return 0;
    case FilterKind::Delta:
    case FilterKind::Rgb:
    case FilterKind::Audio:
        break;
    }
    // These write their output behind their input.
    Require(length <= kFilterMemorySize / 2);
    if (kind == FilterKind::Delta)
        UndoDelta(memory, memory + length, length, registers[0]);
    else if (kind == FilterKind::Rgb)
        UndoRgb(memory, memory + length, length, registers[0], registers[1]);
    else
        UndoAudio(memory, memory + length, length, registers[0]);
    return length;
}

} // namespace rar::v29
