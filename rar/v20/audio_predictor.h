#pragma once
// The multimedia mode of the 2.0 format: each byte is coded as its difference
// from a prediction made from the channel's recent bytes and differences and
// from the previous channel's last difference. Every 32 bytes a channel
// nudges one of its five weights towards whichever term would have predicted
// best.
#include <array>
#include <cstdint>

namespace rar::v20 {

class AudioPredictor {
  public:
    static constexpr unsigned kMaxChannels = 4;

    void Reset() { *this = AudioPredictor(); }
    // Bytes of consecutive channels are interleaved; a block header may
    // change their number, keeping each channel's history.
    void SetChannels(unsigned channels);
    unsigned Channel() const { return current_; }
    // The byte `delta` (the decoded symbol, 0..255) stands for.
    std::uint8_t Decode(unsigned delta);

  private:
    static constexpr int kWeightLimit = 16;
    static constexpr unsigned kTerms = 11;
    static constexpr unsigned kAdaptPeriod = 32;

    struct ChannelState {
        std::array<int, 5> weights{};
        // The channel's last four differences (most recent first) as the
        // prediction uses them.
        std::array<int, 4> history{};
        int lastDelta = 0;
        int lastByte = 0;
        std::array<std::uint32_t, kTerms> error{};
        std::uint32_t count = 0;
    };

    void Adapt(ChannelState& ch);

    std::array<ChannelState, kMaxChannels> channels_{};
    unsigned channelCount_ = 1;
    unsigned current_ = 0;
    int crossDelta_ = 0;
};

} // namespace rar::v20
