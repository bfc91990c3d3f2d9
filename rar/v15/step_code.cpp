#include "rar/v15/step_code.h"

namespace rar::v15 {
namespace {

const std::uint16_t kLimitsA[] = {0x8000, 0xa000, 0xc000, 0xd000, 0xe000, 0xea00,
                                  0xee00, 0xf000, 0xf200, 0xf200, 0xffff};
const std::uint16_t kBasesA[] = {0, 0, 0, 2, 3, 5, 7, 11, 16, 20, 24, 32, 32};
const std::uint16_t kLimitsB[] = {0xa000, 0xc000, 0xd000, 0xe000, 0xea00,
                                  0xee00, 0xf000, 0xf200, 0xf240, 0xffff};
const std::uint16_t kBasesB[] = {0, 0, 0, 0, 5, 7, 9, 13, 18, 22, 26, 34, 36};
const std::uint16_t kLimits0[] = {0x8000, 0xc000, 0xe000, 0xf200, 0xf200,
                                  0xf200, 0xf200, 0xf200, 0xffff};
const std::uint16_t kBases0[] = {0, 0, 0, 0, 0, 8, 16, 24, 33, 33, 33, 33, 33};
const std::uint16_t kLimits1[] = {0x2000, 0xc000, 0xe000, 0xf000, 0xf200, 0xf200, 0xf7e0, 0xffff};
const std::uint16_t kBases1[] = {0, 0, 0, 0, 0, 0, 4, 44, 60, 76, 80, 80, 127};
const std::uint16_t kLimits2[] = {0x1000, 0x2400, 0x8000, 0xc000, 0xfa00, 0xffff, 0xffff, 0xffff};
const std::uint16_t kBases2[] = {0, 0, 0, 0, 0, 0, 2, 7, 53, 117, 233, 0, 0};
const std::uint16_t kLimits3[] = {0x800, 0x2400, 0xee00, 0xfe80, 0xffff, 0xffff, 0xffff};
const std::uint16_t kBases3[] = {0, 0, 0, 0, 0, 0, 0, 2, 16, 218, 251, 0, 0};
const std::uint16_t kLimits4[] = {0xff00, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff};
const std::uint16_t kBases4[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0};

const StepCode kLengthCodeA{2, kLimitsA, kBasesA};
const StepCode kLengthCodeB{3, kLimitsB, kBasesB};
const StepCode kPlaceCodes[] = {{4, kLimits0, kBases0},
                                {5, kLimits1, kBases1},
                                {5, kLimits2, kBases2},
                                {6, kLimits3, kBases3},
                                {8, kLimits4, kBases4}};

} // namespace

const StepCode& LengthCodeA() {
    return kLengthCodeA;
}
const StepCode& LengthCodeB() {
    return kLengthCodeB;
}
const StepCode& PlaceCode(unsigned steepness) {
    return kPlaceCodes[steepness < 4 ? steepness : 4];
}

unsigned ReadStep(BitReader& in, const StepCode& code) {
    // The low bits never matter and keep the prefix below the 0xffff end mark.
    unsigned prefix = in.Peek(16) & 0xfff0;
    unsigned length = code.shortest;
    unsigned first = 0;
    for (const std::uint16_t* limit = code.limits; *limit <= prefix; ++limit) {
        first = *limit;
        ++length;
    }
    in.Skip(length);
    return ((prefix - first) >> (16 - length)) + code.bases[length];
}

} // namespace rar::v15
