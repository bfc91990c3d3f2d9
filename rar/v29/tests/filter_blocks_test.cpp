#include "rar/lz/decoder.h"
#include "rar/v29/decoder29.h"
#include "rar/v29/tests/filter_models.h"
#include "rar/v29/tests/stream_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace rar::v29 {
namespace {

using test::Bytes;
using test::StreamWriter;

// Flags of a filter block's first byte.
constexpr std::uint8_t kProgramNumber = 0x80;
constexpr std::uint8_t kLength = 0x20;
constexpr std::uint8_t kRegisters = 0x10;
constexpr std::uint8_t kGlobalData = 0x08;

struct Program {
    std::size_t size;
    std::uint32_t crc;
};
const Program kE8{53, 0xad576887}, kE8E9{57, 0x3cd7e57e}, kItanium{120, 0x3769893f},
    kDelta{29, 0x0e06077d}, kRgb{149, 0x1c2c5dc8}, kAudio{216, 0xbc85e701};

struct Block {
    std::optional<std::uint32_t> programNumber; // with kProgramNumber
    std::uint32_t offset = 0;
    std::optional<std::uint32_t> length; // with kLength
    std::vector<std::pair<unsigned, std::uint32_t>> registers;
    std::optional<Program> newProgram;
    std::optional<std::uint32_t> globalData;

    void WriteTo(StreamWriter& s) const {
        std::uint8_t flags = 0;
        test::BitWriter body;
        if (programNumber) {
            flags |= kProgramNumber;
            body.PutNumber(*programNumber);
        }
        body.PutNumber(offset);
        if (length) {
            flags |= kLength;
            body.PutNumber(*length);
        }
        if (!registers.empty()) {
            flags |= kRegisters;
            std::uint32_t mask = 0;
            for (auto& r : registers)
                mask |= 1u << r.first;
            body.Put(mask, 7);
            for (unsigned i = 0; i < 7; ++i)
                for (auto& r : registers)
                    if (r.first == i)
                        body.PutNumber(r.second);
        }
        if (newProgram) {
            body.PutNumber(static_cast<std::uint32_t>(newProgram->size));
            for (auto b : test::ProgramWithCrc(newProgram->size, newProgram->crc))
                body.Put(b, 8);
        }
        if (globalData) {
            flags |= kGlobalData;
            body.PutNumber(*globalData);
            for (std::uint32_t i = 0; i < *globalData; ++i)
                body.Put(0, 8);
        }
        s.FilterBlock(flags, body.Bytes());
    }
};

Bytes Decode(const StreamWriter& s, std::size_t size, std::size_t window = 0x100000) {
    auto decoder = MakeDecoder29(window);
    test::MemorySource source(s.bits.Bytes());
    test::MemorySink sink;
    decoder->Decode(source, size, sink, false);
    return sink.bytes;
}

Bytes Random(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng() % 7 == 0 ? 0xe8 : rng());
    return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Raw bytes, then a filtered block announced `offset` bytes ahead, then raw
// bytes again: only the block is transformed, with its place in the entry.
TEST(FilterBlocks, EveryStandardFilterIsUndoneOnItsBlockOnly) {
    const Bytes before = Random(40, 1), after = Random(30, 2);
    const Bytes data = Random(3000, 3);
    const std::uint32_t at = 40;
    struct Case {
        Program program;
        std::vector<std::pair<unsigned, std::uint32_t>> registers;
        Bytes coded;
    } cases[] = {
        {kE8, {}, test::EncodeCalls(data, at, false)},
        {kE8E9, {}, test::EncodeCalls(data, at, true)},
        {kItanium, {}, test::EncodeItanium(data, at)},
        {kDelta, {{0, 3}}, test::EncodeDelta(data, 3)},
        {kRgb, {{0, 3 * 25 + 3}, {1, 1}}, test::EncodeRgb(data, 3 * 25 + 3, 1)},
        {kAudio, {{0, 2}}, test::EncodeAudio(data, 2)},
    };
    for (const Case& c : cases) {
        StreamWriter s;
        s.Tables();
        s.Literals(Bytes(before.begin(), before.begin() + 15));
        Block block;
        block.offset = 25;
        block.length = static_cast<std::uint32_t>(data.size());
        block.registers = c.registers;
        block.newProgram = c.program;
        block.WriteTo(s);
        s.Literals(Bytes(before.begin() + 15, before.end()));
        s.Literals(c.coded);
        s.Literals(after);
        s.EndOfEntry();
        Bytes expected = Concat(Concat(before, data), after);
        EXPECT_EQ(Decode(s, expected.size()), expected) << "program size " << c.program.size;
    }
}

TEST(FilterBlocks, ProgramsAreReusedWithTheirLastLength) {
    const Bytes one = Random(500, 4), two = Random(500, 5), three = Random(500, 6);
    StreamWriter s;
    s.Tables();
    Block first;
    first.length = 500;
    first.registers = {{0, 4}};
    first.newProgram = kDelta;
    first.WriteTo(s);
    s.Literals(test::EncodeDelta(one, 4));
    // Same program, implicitly (the last one used), and its last length.
    Block second;
    second.registers = {{0, 2}};
    second.WriteTo(s);
    s.Literals(test::EncodeDelta(two, 2));
    // Named by number (1 = the first program).
    Block third;
    third.programNumber = 1;
    third.registers = {{0, 1}};
    third.WriteTo(s);
    s.Literals(test::EncodeDelta(three, 1));
    s.EndOfEntry();
    EXPECT_EQ(Decode(s, 1500), Concat(Concat(one, two), three));
}

TEST(FilterBlocks, BlocksOnTheSameBytesApplyInTurn) {
    const Bytes data = Random(2000, 7);
    StreamWriter s;
    s.Tables();
    Block delta;
    delta.programNumber = 0; // forget earlier programs: this one is number 1
    delta.length = 2000;
    delta.registers = {{0, 2}};
    delta.newProgram = kDelta;
    delta.WriteTo(s);
    Block calls;
    calls.programNumber = 2;
    calls.length = 2000;
    calls.newProgram = kE8;
    calls.WriteTo(s);
    // They run in the order announced: delta on the stored bytes, then E8
    // on its result.
    s.Literals(test::EncodeDelta(test::EncodeCalls(data, 0, false), 2));
    s.EndOfEntry();
    EXPECT_EQ(Decode(s, 2000), data);
}

TEST(FilterBlocks, ABlockBeyondTheEntryLeavesItsBytesAsTheyAre) {
    const Bytes data = Random(300, 8);
    StreamWriter s;
    s.Tables();
    Block block;
    block.offset = 200;
    block.length = 500;
    block.newProgram = kE8;
    block.WriteTo(s);
    s.Literals(data);
    s.EndOfEntry();
    EXPECT_EQ(Decode(s, data.size()), data);
}

TEST(FilterBlocks, MalformedBlocksAreDataErrors) {
    auto decodeWith = [](const Block& block, std::size_t dataSize = 100) {
        StreamWriter s;
        s.Tables();
        block.WriteTo(s);
        s.Literals(Random(dataSize, 9));
        s.EndOfEntry();
        return Decode(s, dataSize, 0x40000);
    };
    Block unknownNumber;
    unknownNumber.programNumber = 5;
    unknownNumber.length = 10;
    EXPECT_THROW(decodeWith(unknownNumber), DataError);

    Block hugeGlobals;
    hugeGlobals.length = 10;
    hugeGlobals.newProgram = kE8;
    hugeGlobals.globalData = 0x2000;
    EXPECT_THROW(decodeWith(hugeGlobals), DataError);

    Block lengthMismatch;
    lengthMismatch.length = 10;
    lengthMismatch.registers = {{4, 20}};
    lengthMismatch.newProgram = kE8;
    EXPECT_THROW(decodeWith(lengthMismatch), DataError);

    Block noChannels;
    noChannels.length = 10;
    noChannels.newProgram = kDelta;
    EXPECT_THROW(decodeWith(noChannels), DataError);

    // A block that can never be complete inside the dictionary.
    Block tooLong;
    tooLong.length = 0x3ff00;
    tooLong.newProgram = kE8;
    EXPECT_THROW(decodeWith(tooLong, 0x3ff00), DataError);

    StreamWriter cut;
    cut.Tables();
    test::BitWriter body;
    body.PutNumber(0);
    body.PutNumber(10);
    body.PutNumber(53); // program size, but no program bytes follow
    cut.FilterBlock(kLength, body.Bytes());
    cut.Literals(Random(10, 1));
    cut.EndOfEntry();
    EXPECT_THROW(Decode(cut, 10), DataError);
}

} // namespace
} // namespace rar::v29
