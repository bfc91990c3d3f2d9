// CRC-32 by folding: the data is a polynomial over GF(2), and multiplying a
// 128-bit remainder by x^D mod P moves it D bits further down the stream,
// where it is added to the data found there. Carry-less multiplication does
// that in a few instructions per 16 bytes, four lanes at a time so that the
// multiplier's latency is hidden. Bits are reflected as in the table-driven
// CRC: the lowest bit of the first byte is the highest power of x.
#include "rar/check/crc32_paths.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>

namespace rar::crc32_paths {
namespace {

// x^n mod P, reflected in 32 bits (bit j stands for x^(31-j)).
constexpr std::uint32_t PowerOfX(unsigned n) {
    std::uint32_t v = 0x80000000u;
    for (; n != 0; --n)
        v = (v & 1) ? (v >> 1) ^ 0xEDB88320u : v >> 1;
    return v;
}

// Multiplying a 64-bit half (bit i: x^(63-i)) by a 32-bit constant gives a
// product whose bit k stands for x^(94-k); read as a 128-bit remainder it is
// 33 powers of x higher, which the constants make up for. The low half holds
// the high powers, hence the larger exponent.
struct FoldConstants {
    constexpr explicit FoldConstants(unsigned distance)
        : lowHalf(PowerOfX(distance + 64 - 33)), highHalf(PowerOfX(distance - 33)) {}
    std::uint32_t lowHalf;
    std::uint32_t highHalf;
};

constexpr FoldConstants kAcrossFourLanes(4 * 128);
constexpr FoldConstants kAcrossOneLane(128);

#define RAR_FOLD_TARGET __attribute__((target("sse2,pclmul")))

RAR_FOLD_TARGET inline __m128i Multipliers(const FoldConstants& k) {
    return _mm_set_epi64x(k.highHalf, k.lowHalf);
}

// `remainder` moved the constants' distance on, plus the data found there.
RAR_FOLD_TARGET inline __m128i Fold(__m128i remainder, __m128i multipliers, __m128i data) {
    const __m128i low = _mm_clmulepi64_si128(remainder, multipliers, 0x00);
    const __m128i high = _mm_clmulepi64_si128(remainder, multipliers, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), data);
}

RAR_FOLD_TARGET inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

} // namespace

// Asked of the processor directly: the compiler's own feature test brings a
// few KB of runtime that identifies every processor model into the DLL.
bool FoldAvailable() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    return (edx & bit_SSE2) != 0 && (ecx & bit_PCLMUL) != 0;
}

RAR_FOLD_TARGET std::uint32_t FoldUpdate(std::uint32_t state, const std::uint8_t* data,
                                         std::size_t size) {
    constexpr std::size_t kLanes = 4;
    constexpr std::size_t kStride = kLanes * 16;
    if (size < 2 * kStride)
        return TableUpdate(state, data, size);
    __m128i lane[kLanes];
    for (std::size_t i = 0; i < kLanes; ++i)
        lane[i] = Load(data + 16 * i);
    // The register's current value counts as the stream's first 32 bits.
    lane[0] = _mm_xor_si128(lane[0], _mm_cvtsi32_si128(static_cast<int>(state)));
    data += kStride;
    size -= kStride;
    const __m128i four = Multipliers(kAcrossFourLanes);
    for (; size >= kStride; data += kStride, size -= kStride)
        for (std::size_t i = 0; i < kLanes; ++i)
            lane[i] = Fold(lane[i], four, Load(data + 16 * i));
    const __m128i one = Multipliers(kAcrossOneLane);
    __m128i remainder = lane[0];
    for (std::size_t i = 1; i < kLanes; ++i)
        remainder = Fold(remainder, one, lane[i]);
    for (; size >= 16; data += 16, size -= 16)
        remainder = Fold(remainder, one, Load(data));
    // A 128-bit remainder is a 16-byte message with the same CRC as all the
    // data so far; the tables finish it and the tail.
    alignas(16) std::uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), remainder);
    return TableUpdate(TableUpdate(0, bytes, sizeof bytes), data, size);
}

} // namespace rar::crc32_paths

#else

namespace rar::crc32_paths {

bool FoldAvailable() {
    return false;
}

std::uint32_t FoldUpdate(std::uint32_t state, const std::uint8_t* data, std::size_t size) {
    return TableUpdate(state, data, size);
}

} // namespace rar::crc32_paths

#endif
