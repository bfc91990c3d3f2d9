#include "rar/ppmd/encoder.h"

#include <array>
#include <stdexcept>

namespace rar::ppmd {

namespace {

constexpr std::uint8_t kPpmdBlock = 0x80;
constexpr std::uint8_t kNewEscape = 0x40;
constexpr std::uint8_t kFreshModel = 0x20;

// What the decoder reads after the escape byte.
constexpr std::uint8_t kSwitchToLz = 0;
constexpr std::uint8_t kEscapeItself = 1;
constexpr std::uint8_t kEntryEnds = 2;

// The five bits that name an order: order - 1 up to 16, then steps of three.
std::uint8_t OrderBits(unsigned order) {
    if (order >= 2 && order <= 16)
        return static_cast<std::uint8_t>(order - 1);
    if (order > 16 && order <= 64 && (order - 16) % 3 == 0)
        return static_cast<std::uint8_t>(15 + (order - 16) / 3);
    throw std::invalid_argument("PPMd order the format cannot name");
}

// The escape costs two symbols each time it occurs in the data, so it is
// the rarest byte; the current one while none is rarer, which saves sending
// a new one.
std::uint8_t RarestByte(const std::uint8_t* data, std::size_t size, std::uint8_t current) {
    std::array<std::size_t, 256> counts{};
    for (std::size_t i = 0; i < size; ++i)
        ++counts[data[i]];
    unsigned rarest = current;
    for (unsigned b = 0; b < 256; ++b)
        if (counts[b] < counts[rarest])
            rarest = b;
    return static_cast<std::uint8_t>(rarest);
}

} // namespace

Encoder::Encoder(EncoderParams params) : params_(params), orderBits_(OrderBits(params.order)) {
    if (params.megabytes < 1 || params.megabytes > 256)
        throw std::invalid_argument("PPMd model size the format cannot name");
}

void Encoder::StartStream() {
    fresh_ = true;
    escape_ = kStreamEscape;
}

void Encoder::WriteHeader(bool fresh, std::uint8_t escape, std::vector<std::uint8_t>& out) const {
    std::uint8_t flags = kPpmdBlock | orderBits_;
    if (fresh)
        flags |= kFreshModel;
    if (escape != escape_)
        flags |= kNewEscape;
    out.push_back(flags);
    if (fresh)
        out.push_back(static_cast<std::uint8_t>(params_.megabytes - 1));
    if (escape != escape_)
        out.push_back(escape);
}

void Encoder::WriteBlock(const std::uint8_t* data, std::size_t size, BlockEnd end,
                         std::vector<std::uint8_t>& out, double* cost) {
    // Nothing is written unless the model's memory can be had.
    bool fresh = fresh_ || !model_.Started();
    if (fresh)
        model_.StartModel(params_.order, params_.megabytes);
    std::uint8_t escape = RarestByte(data, size, escape_);
    WriteHeader(fresh, escape, out);
    fresh_ = false;
    escape_ = escape;
    coder_.Start(out);
    for (std::size_t i = 0; i < size; ++i) {
        model_.EncodeByte(data[i], coder_);
        if (data[i] == escape)
            model_.EncodeByte(kEscapeItself, coder_);
        if (cost)
            cost[i] = coder_.Cost();
    }
    model_.EncodeByte(escape, coder_);
    model_.EncodeByte(end == BlockEnd::SwitchToLz ? kSwitchToLz : kEntryEnds, coder_);
    coder_.Finish();
}

} // namespace rar::ppmd
