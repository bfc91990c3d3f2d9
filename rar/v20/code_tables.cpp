#include "rar/v20/code_tables.h"

#include <algorithm>

namespace rar::v20 {

namespace {

// Symbols of the code that sends the lengths.
constexpr unsigned kRepeatPrevious = 16;
constexpr unsigned kShortZeroRun = 17;

} // namespace

void CodeTables::Read(BitReader& in) {
    std::uint32_t header = in.Read(2);
    audio = (header & 2) != 0;
    if ((header & 1) == 0)
        lengths_.fill(0);
    unsigned count = kMainSymbols + kDistanceSymbols + kLengthSymbols;
    if (audio) {
        channels = in.Read(2) + 1;
        count = kAudioSymbols * channels;
    }
    ReadLengths(in, count);
    in.CheckNotOverrun();
    if (audio) {
        for (unsigned c = 0; c < channels; ++c)
            audioCodes[c].Build(&lengths_[c * kAudioSymbols], kAudioSymbols);
        return;
    }
    main.Build(&lengths_[0], kMainSymbols);
    distance.Build(&lengths_[kMainSymbols], kDistanceSymbols);
    length.Build(&lengths_[kMainSymbols + kDistanceSymbols], kLengthSymbols);
}

void CodeTables::ReadLengths(BitReader& in, unsigned count) {
    std::array<std::uint8_t, kLevelSymbols> levelLengths{};
    for (auto& len : levelLengths)
        len = static_cast<std::uint8_t>(in.Read(4));
    PrefixCode level;
    level.Build(levelLengths.data(), kLevelSymbols);

    unsigned i = 0;
    while (i < count) {
        unsigned symbol = level.Decode(in);
        in.CheckNotOverrun();
        if (symbol < kRepeatPrevious) {
            lengths_[i] = static_cast<std::uint8_t>((lengths_[i] + symbol) & 0xf);
            ++i;
            continue;
        }
        if (symbol == kRepeatPrevious) {
            if (i == 0)
                throw DataError("length repeat with nothing before it");
            unsigned run = std::min(in.Read(2) + 3, count - i);
            std::fill_n(&lengths_[i], run, lengths_[i - 1]);
            i += run;
            continue;
        }
        unsigned run = symbol == kShortZeroRun ? in.Read(3) + 3 : in.Read(7) + 11;
        run = std::min(run, count - i);
        std::fill_n(&lengths_[i], run, std::uint8_t{0});
        i += run;
    }
}

} // namespace rar::v20
