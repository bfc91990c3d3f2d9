#include "rar/tests/long_stream.h"

#include "rar/tests/piecewise_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace rar::test {
namespace {

class Planner {
  public:
    Planner(const MatchRules& rules, bool solid, std::uint32_t seed)
        : rules_(rules), window_(rules.window), solid_(solid), random_(seed) {
        stream_.window = rules.window;
    }

    LongStream Build(unsigned laps) {
        // A whole window of history first, so that every distance is open.
        Fill(window_ + window_ / 4);
        for (unsigned lap = 2; lap <= laps; ++lap) {
            AtWrapPoint(lap, lap * window_);
            Fill(lap * window_ + window_ / 4);
            SourcesOverTheEnd();
        }
        Fill(Position() + 1000);
        EndEntry();
        return std::move(stream_);
    }

  private:
    std::uint64_t Position() const { return stream_.bytes.size(); }
    std::uint32_t Random(std::uint32_t below) { return random_() % below; }

    void Literal(std::uint8_t byte) {
        stream_.steps.push_back({StreamStep::Kind::Literal, byte, 0, 0});
        stream_.bytes.push_back(byte);
    }

    void Match(std::uint32_t length, std::uint64_t distance) {
        const std::uint64_t to = Position() % window_;
        const std::uint64_t from = (Position() - distance) % window_;
        const bool readsOver = from + length > window_;
        const bool writesOver = to + length > window_;
        stream_.sourceWraps += readsOver;
        stream_.outputWraps += writesOver;
        stream_.longestWraps += (readsOver || writesOver) && length == rules_.longest(distance);
        stream_.steps.push_back({StreamStep::Kind::Match, 0, length, distance});
        for (std::uint32_t i = 0; i < length; ++i)
            stream_.bytes.push_back(stream_.bytes[stream_.bytes.size() - distance]);
    }

    void NewBlock() {
        stream_.steps.push_back({StreamStep::Kind::NewBlock, 0, 0, 0});
        ++stream_.blocks;
    }

    void EndEntry() {
        stream_.steps.push_back({StreamStep::Kind::EndEntry, 0, 0, 0});
        stream_.entryEnds.push_back(stream_.bytes.size());
    }

    // Random literals and matches up to `until`, with a block change every
    // few kilobytes.
    void Fill(std::uint64_t until) {
        while (Position() < until) {
            if (Position() >= nextBlock_) {
                NewBlock();
                nextBlock_ = Position() + 2000 + Random(30000);
            }
            const std::uint64_t left = until - Position();
            if (Position() == 0 || left < 2 || Random(3) == 0) {
                const std::uint64_t run = std::min<std::uint64_t>(left, 1 + Random(16));
                for (std::uint64_t i = 0; i < run; ++i)
                    Literal(static_cast<std::uint8_t>(Random(256)));
                continue;
            }
            const std::uint64_t reach =
                std::min<std::uint64_t>(Position(), Random(2) == 0 ? 300 : window_ - 1);
            const std::uint64_t distance = 1 + Random(static_cast<std::uint32_t>(reach));
            const std::uint32_t shortest = rules_.shortest(distance);
            const std::uint32_t longest =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(rules_.longest(distance), left));
            if (shortest > longest) {
                Literal(static_cast<std::uint8_t>(Random(256)));
                continue;
            }
            Match(shortest + Random(longest - shortest + 1), distance);
        }
    }

    // The longest match, placed so that its output runs over the window's
    // end point by one byte, two, half or all but one of its length, or ends
    // exactly at it or one byte short; copied from the far end of the window,
    // from right behind (overlapping itself) or from the middle. In a solid
    // stream every third entry starts with that match and every third ends
    // exactly at the end point, the next one then reaching back a whole window.
    void AtWrapPoint(unsigned lap, std::uint64_t end) {
        const std::uint64_t distances[] = {window_ - 1, 1, 3, window_ / 2 + 7};
        const std::uint64_t distance = distances[lap % 4];
        const std::uint32_t length = rules_.longest(distance);
        const std::uint32_t before[] = {1, 2, length / 2, length - 1, length, length + 1};
        if (solid_ && lap % 3 == 2) {
            Fill(end);
            EndEntry();
            Match(rules_.longest(window_ - 1), window_ - 1);
            return;
        }
        Fill(end - before[lap % 6]);
        if (solid_ && lap % 3 == 1)
            EndEntry();
        else if (lap % 2 == 0)
            NewBlock();
        Match(length, distance);
    }

    // The longest matches from the middle of the window, whose source runs
    // over the window's end point by one byte, all but one or half, ends
    // exactly at it, or starts exactly at the window's start.
    void SourcesOverTheEnd() {
        const std::uint32_t length = rules_.longest(window_ / 2);
        const std::uint64_t starts[] = {window_ - length + 1, window_ - 1, window_ - length / 2,
                                        window_ - length, 0};
        for (std::uint64_t start : starts) {
            Fill(Position() + 1 + Random(2000));
            const std::uint64_t distance = (Position() % window_ + window_ - start) % window_;
            if (distance == 0 || rules_.longest(distance) != length)
                continue;
            Match(length, distance);
        }
    }

    const MatchRules& rules_;
    const std::uint64_t window_;
    const bool solid_;
    std::mt19937 random_;
    std::uint64_t nextBlock_ = 5000;
    LongStream stream_;
};

// Compares unpacked bytes with the expected ones as they arrive, and keeps
// where they first differ.
class ComparingSink : public ByteSink {
  public:
    explicit ComparingSink(const std::vector<std::uint8_t>& expected) : expected_(expected) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        for (std::size_t i = 0; i < size && mismatch_.empty(); ++i) {
            if (at_ >= expected_.size() || data[i] != expected_[at_])
                Fail("wrong byte");
            else
                ++at_;
        }
    }
    void Fail(const std::string& what) {
        if (mismatch_.empty())
            mismatch_ = what;
    }
    std::size_t Position() const { return at_; }
    const std::string& Mismatch() const { return mismatch_; }

  private:
    const std::vector<std::uint8_t>& expected_;
    std::size_t at_ = 0;
    std::string mismatch_;
};

} // namespace

LongStream MakeLongStream(const MatchRules& rules, unsigned laps, bool solid, std::uint32_t seed) {
    return Planner(rules, solid, seed).Build(laps);
}

std::string DecodingDifference(Decoder& decoder,
                               const std::vector<std::vector<std::uint8_t>>& packed,
                               const LongStream& stream) {
    return DecodingDifference(decoder, packed, stream.bytes, stream.entryEnds, stream.window);
}

std::string DecodingDifference(Decoder& decoder,
                               const std::vector<std::vector<std::uint8_t>>& packed,
                               const std::vector<std::uint8_t>& expected,
                               const std::vector<std::size_t>& entryEnds, std::size_t window) {
    if (packed.size() != entryEnds.size())
        return "the writer made " + std::to_string(packed.size()) + " entries instead of " +
               std::to_string(entryEnds.size());
    ComparingSink sink(expected);
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const std::size_t start = sink.Position();
        const std::size_t end = entryEnds[i];
        PiecewiseSource source(packed[i]);
        try {
            decoder.Decode(source, end - start, sink, i > 0);
        } catch (const DataError& e) {
            sink.Fail(std::string("data error \"") + e.what() + "\"");
        }
        if (sink.Position() != end)
            sink.Fail("entry output ends");
        if (!sink.Mismatch().empty()) {
            std::ostringstream where;
            where << "entry " << i << " (bytes " << start << " to " << end
                  << "): " << sink.Mismatch() << " at byte " << sink.Position()
                  << ", window offset " << sink.Position() % window;
            return where.str();
        }
    }
    return "";
}

void CheckOneEntryOfManyBlocks(const MatchRules& rules, std::uint32_t seed,
                               const StreamEncoder& encode, const DecoderFactory& makeDecoder) {
    const LongStream stream = MakeLongStream(rules, 8, false, seed);
    ASSERT_GE(stream.bytes.size(), 7 * rules.window);
    EXPECT_GE(stream.outputWraps, 5u);
    EXPECT_GE(stream.sourceWraps, 21u);
    EXPECT_GE(stream.longestWraps, 26u);
    EXPECT_GE(stream.blocks, 20u);
    auto decoder = makeDecoder();
    EXPECT_EQ(DecodingDifference(*decoder, encode(stream), stream), "");
}

void CheckSolidEntriesOverTheWrapPoint(const MatchRules& rules, std::uint32_t seed,
                                       const StreamEncoder& encode,
                                       const DecoderFactory& makeDecoder) {
    const LongStream stream = MakeLongStream(rules, 8, true, seed);
    ASSERT_GE(stream.entryEnds.size(), 6u);
    EXPECT_GE(stream.outputWraps, 3u);
    EXPECT_GE(stream.sourceWraps, 21u);
    auto decoder = makeDecoder();
    EXPECT_EQ(DecodingDifference(*decoder, encode(stream), stream), "");
}

} // namespace rar::test
