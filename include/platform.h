// The one place where the platform chooses the code: the measuring of a
// called name, and the formatter's rounding and digit writer. Any SSE2
// target measures a name at a 16-byte boundary with one compare; elsewhere
// strlen does. On x86-64 the rounding adds the fraction's top bit with
// carry. For the digits, any SSE2 target splits every digit off at once in
// vector lanes and finds the last non-zero one with one compare; elsewhere
// a word is split into lanes of four digits, then of two, then of one, each
// lane divided by multiplying with a reciprocal, and the zeros are found a
// word at a time. Both were checked for every eight-digit value.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The length of a name; for one of 16 bytes or more, possibly just 16,
// which no row has. A name that starts a 16-byte block, as the interpreter's
// names do, is searched for its NUL by one compare of the whole block: an
// aligned block never crosses a page, so its bytes past the NUL can be read
// (as the C library's strlen reads them), and they do not change the answer.
inline std::size_t namelength(const char *name) {
#if defined(__SSE2__) && defined(__GNUC__)
  if ((reinterpret_cast<std::uintptr_t>(name) & 15) == 0) {
    // One bit a NUL byte, and one above the block's, so that a block with
    // no NUL gives 16; the lowest is the length.
    std::size_t length;
    __m128i zeros;
    asm("pxor %1, %1\n\t"
        "pcmpeqb %2, %1\n\t"
        "pmovmskb %1, %k0\n\t"  // (which clears the rest of the word)
        "or $0x10000, %k0\n\t"
        "bsf %k0, %k0"
        : "=&r"(length), "=&x"(zeros)
        : "m"(*reinterpret_cast<const char(*)[16]>(name))
        : "cc");
    return length;
  }
#endif
  return std::strlen(name);
}

// hi + lo / 2^64 rounded to the nearest integer, ties to even: up from a
// half; an exact half (the other bits of lo all zero) goes to the even one
// of hi and hi + 1; lo of 0 is exact. On x86-64 the common case doubles lo
// into the carry and adds that: three instructions where the compiler's
// own form takes five.
constexpr uint64_t nearest(uint64_t hi, uint64_t lo) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (!std::is_constant_evaluated()) {
    asm("add %1, %1\n\t"  // the carry: the half; zero: nothing below it
        "jnz 1f\n\t"
        "jnc 2f\n\t"  // lo of 0
        "add $1, %0\n\t"  // an exact half
        "and $-2, %0\n\t"
        "jmp 2f\n"
        "1:\n\t"
        "adc $0, %0\n"
        "2:"
        : "+r"(hi), "+r"(lo)
        :
        : "cc");
    return hi;
  }
#endif
  const uint64_t half = lo >> 63;
  uint64_t n = hi + half;
  if (lo << 1 == 0) [[unlikely]]
    n -= half & ~hi;
  return n;
}

// digitsof: the 16 decimal digits of n, 10^15 <= n < 10^16, as characters,
// and the place of the last non-zero one, 0 to 15; made once, then written
// by put wherever the notation has them.
#if defined(__SSE2__)
// A constant in every lane, loaded from memory by one instruction that the
// compiler cannot see into: left to itself, it turns a product by it into
// shifts and adds, or (GCC 14) builds it from a general register in three.
struct alignas(16) vector16 {
  uint64_t half[2];
};
template <uint64_t word>
inline constexpr vector16 SPLAT{{word, word}};
template <uint64_t word>
inline __m128i splat() {
  __m128i v;
  asm("movdqa %1, %0" : "=x"(v) : "m"(SPLAT<word>));
  return v;
}
// The low and the high half of x times the constant in every 16-bit lane,
// the constant read by the multiplication itself.
template <uint64_t word>
inline __m128i mullo(__m128i x) {
  asm("pmullw %1, %0" : "+x"(x) : "m"(SPLAT<word>));
  return x;
}
template <uint64_t word>
inline __m128i mulhi(__m128i x) {
  asm("pmulhuw %1, %0" : "+x"(x) : "m"(SPLAT<word>));
  return x;
}
inline constexpr uint64_t EVERYBYTE = 0x0101010101010101, EVERYHALF = 0x0001000100010001;

struct sixteendigits {
  __m128i text;
  std::size_t last;
};
inline void put(char *out, const sixteendigits &d) { _mm_storeu_si128(reinterpret_cast<__m128i *>(out), d.text); }

inline sixteendigits digitsof(uint64_t n) {
  // n as two eight-digit halves, one a 64-bit lane; then each step splits
  // every lane into two of half the width, the higher digits in the lower
  // half: four digits a 32-bit lane, two a 16-bit lane, one a byte. Each
  // quotient is a product with a reciprocal: 2^45 / 10^4 rounded up in a
  // 64-bit product, 5243 / 2^19 for 100 and 6554 / 2^16 for 10 in 16-bit ones.
  const uint64_t upper = n / 100000000;
  const __m128i eight = _mm_set_epi64x(static_cast<long long>(n - upper * 100000000), static_cast<long long>(upper));
  const __m128i q4 = _mm_srli_epi64(_mm_mul_epu32(eight, _mm_set1_epi64x(0xd1b71759)), 45);
  const __m128i four = _mm_or_si128(q4, _mm_slli_epi64(_mm_sub_epi32(eight, _mm_mul_epu32(q4, _mm_set1_epi64x(10000))), 32));
  const __m128i q2 = _mm_srli_epi16(_mm_mulhi_epu16(four, _mm_set1_epi32(5243)), 3);
  const __m128i two = _mm_or_si128(q2, _mm_slli_epi32(_mm_sub_epi16(four, _mm_mullo_epi16(q2, splat<100 * EVERYHALF>())), 16));
  // The last step by one product less: a lane of two digits 10t + u becomes
  // t + 256u, which is 256(10t + u) - 2559t, with t = (10t + u) / 10.
  const __m128i q1 = mulhi<6554 * EVERYHALF>(two);
  const __m128i one = _mm_sub_epi16(_mm_slli_epi16(two, 8), mullo<2559 * EVERYHALF>(q1));
  // Each digit plus 0x7f has its top bit set where it is not 0: one bit a
  // digit that counts, read before the sum is turned into characters (less
  // 0x4f, by adding its complement), so that no copy of the digits is needed
  // for a compare. The first digit counts, so some bit is set. The highest
  // is found by a bit scan as wide as the place returned (the compiler's own
  // scans it at 32 bits, then widens the place by one more instruction).
  __m128i digits = one;
  std::size_t last;
  asm("paddb %2, %0\n\t"
      "pmovmskb %0, %k1\n\t"  // (which clears the rest of the word)
      "psubb %3, %0\n\t"
      "bsr %1, %1"
      : "+x"(digits), "=r"(last)
      : "m"(SPLAT<0x7f * EVERYBYTE>), "m"(SPLAT<0x4f * EVERYBYTE>)
      : "cc");
  return {digits, last};
}
#else
inline uint64_t eightdigits(uint32_t v) {
  const uint64_t x = v / 10000 | uint64_t{v % 10000} << 32;    // four digits a lane
  const uint64_t y = (x * 5243 >> 19) & 0x0000007f0000007f;     // x / 100
  const uint64_t w = (x << 16) - y * 6553599;                   // two digits a lane: 65536x - (100 * 65536 - 1)y
  const uint64_t t = (w * 103 >> 10) & 0x000f000f000f000f;      // w / 10
  return (w << 8) - t * 2559;                                    // one digit a byte, the first lowest: 256w - 2559t
}
// The place of the last non-zero digit in a word of eightdigits that has one.
inline std::size_t lastin(uint64_t digits) { return 7 - static_cast<unsigned>(std::countl_zero(digits)) / 8; }
// A word of eightdigits as characters, in memory order.
inline uint64_t characters(uint64_t digits) {
  digits |= 0x3030303030303030;
  if constexpr (std::endian::native == std::endian::big) digits = __builtin_bswap64(digits);
  return digits;
}
struct sixteendigits {
  uint64_t high, low;  // as characters
  std::size_t last;
};
inline void put(char *out, const sixteendigits &d) {
  std::memcpy(out, &d.high, 8);
  std::memcpy(out + 8, &d.low, 8);
}
inline sixteendigits digitsof(uint64_t n) {
  const uint64_t upper = n / 100000000;
  const uint64_t high = eightdigits(static_cast<uint32_t>(upper));
  const uint64_t low = eightdigits(static_cast<uint32_t>(n - upper * 100000000));
  return {characters(high), characters(low), low != 0 ? 8 + lastin(low) : lastin(high)};
}
#endif

}  // namespace
