// The formatter's digit writer, and the one place where the platform chooses
// the code: x86-64 (and any SSE2 target) splits every digit off at
// once in vector lanes; elsewhere a word is split into lanes of four digits,
// then of two, then of one, each lane divided by multiplying with a
// reciprocal. Both were checked for every eight-digit value.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The 16 decimal digits of n < 10^16, zero-padded, as characters at out;
// when n < 10^8 the first eight, which no caller reads, are not written.
#if defined(__SSE2__)
alignas(16) constexpr uint32_t DIV10000[4] = {0xd1b71759, 0, 0xd1b71759, 0};  // 2^45 / 10^4, rounded up
alignas(16) constexpr uint32_t TENTHOUSAND[4] = {10000, 0, 10000, 0};
alignas(16) constexpr uint16_t DIVIDERS[8] = {8389, 5243, 13108, 32768, 8389, 5243, 13108, 32768};
alignas(16) constexpr uint16_t SHIFTS[8] = {1 << 7, 1 << 11, 1 << 13, 1 << 15, 1 << 7, 1 << 11, 1 << 13, 1 << 15};
alignas(16) constexpr uint16_t TENS[8] = {10, 10, 10, 10, 10, 10, 10, 10};
inline __m128i constant(const void *c) { return _mm_load_si128(static_cast<const __m128i *>(c)); }

// The eight-digit value of each 64-bit lane, abcdefgh, as the 16-bit lanes
// abcd, efgh, 0, 0, each times four.
inline __m128i fourdigitlanes(__m128i x) {
  const __m128i high = _mm_srli_epi64(_mm_mul_epu32(x, constant(DIV10000)), 45);      // abcd
  const __m128i low = _mm_sub_epi32(x, _mm_mul_epu32(high, constant(TENTHOUSAND)));  // efgh
  return _mm_slli_epi64(_mm_or_si128(high, _mm_slli_epi64(low, 16)), 2);
}
// abcd, efgh (times four) in the low two 16-bit lanes of `lanes` as their
// eight digits, one a 16-bit lane.
inline __m128i eightdigits(__m128i lanes) {
  const __m128i pairs = _mm_unpacklo_epi16(lanes, lanes);
  // a, ab, abc, abcd, e, ef, efg, efgh: each lane divided by its power of ten
  const __m128i prefixes = _mm_mulhi_epu16(_mm_mulhi_epu16(_mm_unpacklo_epi32(pairs, pairs), constant(DIVIDERS)),
                                           constant(SHIFTS));
  return _mm_sub_epi16(prefixes, _mm_slli_epi64(_mm_mullo_epi16(prefixes, constant(TENS)), 16));
}
inline void sixteendigits(uint64_t n, char *out) {
  if (n < 100000000) {
    const __m128i digits = eightdigits(fourdigitlanes(_mm_cvtsi32_si128(static_cast<int>(n))));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 8),
                     _mm_add_epi8(_mm_packus_epi16(digits, digits), _mm_set1_epi8('0')));
    return;
  }
  // Both halves of n at once, one a 64-bit lane.
  const uint64_t upper = n / 100000000;
  const __m128i lanes = fourdigitlanes(_mm_set_epi64x(static_cast<long long>(n - upper * 100000000),
                                                      static_cast<long long>(upper)));
  const __m128i digits = _mm_packus_epi16(eightdigits(lanes), eightdigits(_mm_unpackhi_epi64(lanes, lanes)));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_add_epi8(digits, _mm_set1_epi8('0')));
}
#else
inline uint64_t eightdigits(uint32_t v) {
  const uint64_t x = v / 10000 | uint64_t{v % 10000} << 32;    // four digits a lane
  const uint64_t y = (x * 5243 >> 19) & 0x0000007f0000007f;     // x / 100
  const uint64_t w = y | (x - y * 100) << 16;                   // two digits a lane
  const uint64_t t = (w * 103 >> 10) & 0x000f000f000f000f;      // w / 10
  const uint64_t digits = t | (w - t * 10) << 8 | 0x3030303030303030;
  if constexpr (std::endian::native == std::endian::big) return __builtin_bswap64(digits);
  return digits;
}
inline void sixteendigits(uint64_t n, char *out) {
  const uint64_t upper = n / 100000000;
  if (upper != 0) {
    const uint64_t high = eightdigits(static_cast<uint32_t>(upper));
    std::memcpy(out, &high, 8);
  }
  const uint64_t low = eightdigits(static_cast<uint32_t>(n - upper * 100000000));
  std::memcpy(out + 8, &low, 8);
}
#endif

}  // namespace
