#include "rar/encode/prefix_code.h"

#include <gtest/gtest.h>

namespace rar::encode {
namespace {

// Kraft's sum in units of 2^-maxLength: a complete code fills it exactly.
std::uint64_t KraftSum(const std::vector<std::uint8_t>& lengths, unsigned maxLength) {
    std::uint64_t sum = 0;
    for (auto n : lengths)
        if (n != 0)
            sum += std::uint64_t{1} << (maxLength - n);
    return sum;
}

TEST(PrefixCode, LengthsStayWithinTheLimitAndFormACompleteCode) {
    std::vector<std::uint32_t> fibonacci(40, 0);
    fibonacci[0] = fibonacci[1] = 1;
    for (std::size_t i = 2; i < fibonacci.size(); ++i)
        fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2];
    const std::vector<std::vector<std::uint32_t>> cases = {
        fibonacci, {5, 0, 0, 3, 3, 1}, {1, 1, 1, 1}, std::vector<std::uint32_t>(299, 7)};
    for (const auto& frequencies : cases) {
        const auto lengths = CodeLengths(frequencies, 15);
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            EXPECT_LE(lengths[i], 15);
            EXPECT_EQ(lengths[i] == 0, frequencies[i] == 0);
        }
        EXPECT_EQ(KraftSum(lengths, 15), 1u << 15);
    }
}

TEST(PrefixCode, LoneSymbolGetsOneBitAndCodesAreCanonical) {
    EXPECT_EQ(CodeLengths({0, 9, 0}, 15), (std::vector<std::uint8_t>{0, 1, 0}));
    // Shorter codes first, equal lengths in symbol order.
    EXPECT_EQ(CanonicalCodes({2, 1, 3, 3}), (std::vector<std::uint16_t>{2, 0, 6, 7}));
}

} // namespace
} // namespace rar::encode
