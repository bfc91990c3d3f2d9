#include "rar/v20/audio_predictor.h"

#include <cstdlib>

namespace rar::v20 {

void AudioPredictor::SetChannels(unsigned channels) {
    channelCount_ = channels;
    if (current_ >= channelCount_)
        current_ = 0;
}

std::uint8_t AudioPredictor::Decode(unsigned delta) {
    ChannelState& ch = channels_[current_];
    if (++current_ == channelCount_)
        current_ = 0;
    ++ch.count;
    auto& h = ch.history;
    h[3] = h[2];
    h[2] = h[1];
    h[1] = ch.lastDelta - h[0];
    h[0] = ch.lastDelta;

    int sum = 8 * ch.lastByte + ch.weights[4] * crossDelta_;
    for (unsigned i = 0; i < 4; ++i)
        sum += ch.weights[i] * h[i];
    int predicted = (sum >> 3) & 0xff;
    int value = (predicted - static_cast<int>(delta)) & 0xff;

    int d = static_cast<std::int8_t>(delta) * 8;
    ch.error[0] += static_cast<std::uint32_t>(std::abs(d));
    for (unsigned i = 0; i < 4; ++i) {
        ch.error[1 + 2 * i] += static_cast<std::uint32_t>(std::abs(d - h[i]));
        ch.error[2 + 2 * i] += static_cast<std::uint32_t>(std::abs(d + h[i]));
    }
    ch.error[9] += static_cast<std::uint32_t>(std::abs(d - crossDelta_));
    ch.error[10] += static_cast<std::uint32_t>(std::abs(d + crossDelta_));

    // The delta is a signed 8-bit quantity by definition of the predictor.
    // NOLINTNEXTLINE(bugprone-signed-char-misuse)
    ch.lastDelta = static_cast<std::int8_t>(value - ch.lastByte);
    crossDelta_ = ch.lastDelta;
    ch.lastByte = value;
    if (ch.count % kAdaptPeriod == 0)
        Adapt(ch);
    return static_cast<std::uint8_t>(value);
}

void AudioPredictor::Adapt(ChannelState& ch) {
    unsigned best = 0;
    for (unsigned i = 1; i < kTerms; ++i)
        if (ch.error[i] < ch.error[best])
            best = i;
    ch.error.fill(0);
    if (best == 0)
        return;
    // Odd terms (byte minus history) say the weight is too high, even terms
    // that it is too low.
    int& weight = ch.weights[(best - 1) / 2];
    if (best % 2 == 1) {
        if (weight >= -kWeightLimit)
            --weight;
    } else if (weight < kWeightLimit) {
        ++weight;
    }
}

} // namespace rar::v20
