// Decimal text to double and back, giving exactly what atof, atoi and
// sprintf "%.*g" give in the C locale, whatever the process's locale.
// The common cases take short exact paths; everything else goes to the
// standard library's correctly rounded conversions.
#include "qirven.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// White space as the C locale's isspace sees it.
bool isblankc(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isdigitc(char c) { return c >= '0' && c <= '9'; }
bool isxdigitc(char c) { return isdigitc(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

constexpr uint64_t pow10u(int n) { return n == 0 ? 1 : 10 * pow10u(n - 1); }
constexpr uint64_t POW10[] = {pow10u(0),  pow10u(1),  pow10u(2),  pow10u(3),  pow10u(4),  pow10u(5),
                              pow10u(6),  pow10u(7),  pow10u(8),  pow10u(9),  pow10u(10), pow10u(11),
                              pow10u(12), pow10u(13), pow10u(14), pow10u(15), pow10u(16), pow10u(17),
                              pow10u(18), pow10u(19)};
constexpr char PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
constexpr double POW10D[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Whether a number that the reader found out of range is too large rather
// than too small: where its first significant digit stands from the point,
// plus its exponent (for hexadecimal, four bits a digit and a binary one).
bool islarge(const char *p, const char *stop, bool hex) {
  auto isdigitof = [hex](char c) { return hex ? isxdigitc(c) : isdigitc(c); };
  long long power = 0;
  bool significant = false, point = false;
  for (; p != stop && (*p == '.' || isdigitof(*p)); ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    if (*p != '0') significant = true;
    if (significant && !point) ++power;  // a digit before the point
    else if (!significant && point) --power;  // a zero after it, before the first significant digit
  }
  // What is left is the exponent: e or p, a sign, digits (saturated far beyond any double's).
  long long exponent = 0;
  bool negative = false;
  if (p != stop) {
    negative = *++p == '-';
    if (*p == '-' || *p == '+') ++p;
    for (; p != stop; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1LL << 40);
  }
  return (hex ? 4 * power : power) + (negative ? -exponent : exponent) > 0;
}

// Hexadecimal, inf, nan, overflow and underflow, read as strtod reads them,
// by the C++ library's exact reader on a NUL-terminated copy (a NUL byte ends
// the text, as it does for atof). Kept out of line so that the common paths
// need no copy.
[[gnu::noinline]] reading readrare(const RXSTRING &arg) {
  scratch space;
  const char *p = argtext(arg, space);
  if (p == nullptr) return {0.0, false};
  const char *end = p + std::strlen(p);
  while (p != end && isblankc(*p)) ++p;
  bool neg = p != end && *p == '-';
  if (p != end && (*p == '+' || *p == '-')) ++p;
  const bool hex = end - p > 1 && p[0] == '0' && (p[1] | 0x20) == 'x';
  if (hex) p += 2;
  // strtod reads 0x with no hexadecimal digit after it as 0; from_chars would
  // take a sign, inf or nan there.
  if (hex && !(p != end && (isxdigitc(*p) || (*p == '.' && p + 1 != end && isxdigitc(p[1]))))) end = p;
  double v = 0;
  auto [stop, ec] = std::from_chars(p, end, v, hex ? std::chars_format::hex : std::chars_format::general);
  if (ec == std::errc::result_out_of_range) v = islarge(p, stop, hex) ? HUGE_VAL : 0.0;
  else if (ec != std::errc() && !hex) neg = false;  // no number at all, so no sign: 0
  // (0x with no hexadecimal digits after it is the number 0)
  return {neg ? -v : v, true};
}

// Any text, as atof reads it.
[[gnu::noinline]] reading readgeneral(const RXSTRING &arg) {
  const char *p = arg.strptr;
  const char *end = p ? p + arg.strlength : p;
  while (p != end && isblankc(*p)) ++p;
  const bool neg = p != end && *p == '-';
  if (p != end && (*p == '+' || *p == '-')) ++p;

  // Up to 19 digits with an optional point, no exponent: when the digits fit
  // in 53 bits and the fraction in 22 places, one exact IEEE division
  // rounds correctly.
  const char *q = p;
  uint64_t digits = 0;
  for (unsigned d; q != end && (d = static_cast<unsigned char>(*q) - '0') <= 9; ++q) digits = digits * 10 + d;
  auto count = q - p, places = decltype(count){0};
  if (q != end && *q == '.') {
    const char *fraction = ++q;
    for (unsigned d; q != end && (d = static_cast<unsigned char>(*q) - '0') <= 9; ++q) digits = digits * 10 + d;
    places = q - fraction;
    count += places;
  }
  if (count == 0) {
    if (p != end && (*p == 'i' || *p == 'I' || *p == 'n' || *p == 'N')) return readrare(arg);
    return {0.0, true};  // no number at all
  }
  const bool hex = p[0] == '0' && p + 1 != end && (p[1] == 'x' || p[1] == 'X');
  if (hex) return readrare(arg);
  const bool exponent = q != end && (*q == 'e' || *q == 'E');
  if (DOUBLEEVAL && !exponent && count < 20 && digits <= (uint64_t{1} << 53)) {
    const double v = static_cast<double>(digits) / POW10D[places];
    return {neg ? -v : v, true};
  }
  // Longer decimals and exponents, read in place: the reader stops at a NUL
  // byte as atof does.
  double v;
  auto [stop, ec] = std::from_chars(p, end, v);
  if (ec != std::errc()) return readrare(arg);
  return {neg ? -v : v, true};
}

}  // namespace

reading readvalue(const RXSTRING &arg) {
  // The common case first: the whole text is up to 19 digits with at most
  // one point among them (2, 1.05, 30), read as below in a single pass.
  const char *p = arg.strptr;
  if (DOUBLEEVAL && p != nullptr && arg.strlength - 1 < 19) {
    const char *end = p + arg.strlength, *point = nullptr, *q = p;
    uint64_t digits = 0;
    do {  // the text is not empty
      const uint64_t d = static_cast<unsigned char>(*q) - uint64_t{'0'};
      if (d <= 9) digits = digits * 10 + d;
      else if (d == uint64_t{'.'} - '0' && point == nullptr) point = q;
      else return readgeneral(arg);
    } while (++q != end);
    if (digits <= (uint64_t{1} << 53)) {
      if (point == nullptr) return {static_cast<double>(digits), true};
      if (end - p > 1) return {static_cast<double>(digits) / POW10D[end - point - 1], true};  // not "." alone
    }
  }
  return readgeneral(arg);
}

namespace {

// Any text, as atoi reads it.
[[gnu::noinline]] int readintgeneral(const RXSTRING &arg) {
  const char *p = arg.strptr;
  const char *end = p ? p + arg.strlength : p;
  while (p != end && isblankc(*p)) ++p;
  bool neg = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  long long n = 0;  // saturates at INT_MAX + 1, enough for either sign
  for (; p != end && isdigitc(*p); ++p)
    if (n <= INT_MAX) n = n * 10 + (*p - '0');
  if (neg) return n > INT_MAX ? INT_MIN : static_cast<int>(-n);
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

}  // namespace

int readint(const RXSTRING &arg) {
  const char *p = arg.strptr;
  if (p != nullptr && arg.strlength - 1 < 2) {  // the common case: one or two digits
    const unsigned first = static_cast<unsigned char>(p[0]) - '0';
    if (arg.strlength == 1 && first <= 9) return static_cast<int>(first);
    const unsigned second = arg.strlength == 2 ? static_cast<unsigned char>(p[1]) - '0' : 10;
    if (first <= 9 && second <= 9) return static_cast<int>(first * 10 + second);
  }
  return readintgeneral(arg);
}

namespace {

// Everything the fast path does not take: exact, and about 600 instructions more.
[[gnu::noinline]] std::size_t slowg(char *out, double value, int precision) {
  auto [end, ec] = std::to_chars(out, out + FORMATROOM, value, std::chars_format::general, precision);
  return ec == std::errc() ? static_cast<std::size_t>(end - out) : 0;
}

// The exact integer formatting below needs 128-bit integers (GCC and clang on
// 64-bit targets); elsewhere std::to_chars, as exact but slower, does it all.
#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 u128;
constexpr u128 pow10w(int n) { return n == 0 ? 1 : 10 * pow10w(n - 1); }
constexpr u128 POW10WIDE[] = {pow10w(0),  pow10w(1),  pow10w(2),  pow10w(3),  pow10w(4),  pow10w(5),
                              pow10w(6),  pow10w(7),  pow10w(8),  pow10w(9),  pow10w(10), pow10w(11),
                              pow10w(12), pow10w(13), pow10w(14), pow10w(15), pow10w(16), pow10w(17),
                              pow10w(18), pow10w(19), pow10w(20), pow10w(21), pow10w(22)};

// The 16 decimal digits of n < 10^16, zero-padded, as characters at out;
// when n < 10^8 the first eight, which no caller reads, are not written.
// x86-64 always has SSE2, which splits every digit off at once; elsewhere a
// word is split into lanes of four digits, then of two, then of one, each
// lane divided by multiplying with a reciprocal. Both checked for every
// eight-digit value.
#if defined(__SSE2__)
alignas(16) constexpr uint32_t DIV10000[4] = {0xd1b71759, 0, 0xd1b71759, 0};  // 2^45 / 10^4, rounded up
alignas(16) constexpr uint32_t TENTHOUSAND[4] = {10000, 0, 10000, 0};
alignas(16) constexpr uint16_t DIVIDERS[8] = {8389, 5243, 13108, 32768, 8389, 5243, 13108, 32768};
alignas(16) constexpr uint16_t SHIFTS[8] = {1 << 7, 1 << 11, 1 << 13, 1 << 15, 1 << 7, 1 << 11, 1 << 13, 1 << 15};
alignas(16) constexpr uint16_t TENS[8] = {10, 10, 10, 10, 10, 10, 10, 10};
__m128i constant(const void *c) { return _mm_load_si128(static_cast<const __m128i *>(c)); }

// The eight-digit value of each 64-bit lane, abcdefgh, as the 16-bit lanes
// abcd, efgh, 0, 0, each times four.
__m128i fourdigitlanes(__m128i x) {
  const __m128i high = _mm_srli_epi64(_mm_mul_epu32(x, constant(DIV10000)), 45);      // abcd
  const __m128i low = _mm_sub_epi32(x, _mm_mul_epu32(high, constant(TENTHOUSAND)));  // efgh
  return _mm_slli_epi64(_mm_or_si128(high, _mm_slli_epi64(low, 16)), 2);
}
// abcd, efgh (times four) in the low two 16-bit lanes of `lanes` as their
// eight digits, one a 16-bit lane.
__m128i eightdigits(__m128i lanes) {
  const __m128i pairs = _mm_unpacklo_epi16(lanes, lanes);
  // a, ab, abc, abcd, e, ef, efg, efgh: each lane divided by its power of ten
  const __m128i prefixes = _mm_mulhi_epu16(_mm_mulhi_epu16(_mm_unpacklo_epi32(pairs, pairs), constant(DIVIDERS)),
                                           constant(SHIFTS));
  return _mm_sub_epi16(prefixes, _mm_slli_epi64(_mm_mullo_epi16(prefixes, constant(TENS)), 16));
}
void sixteendigits(uint64_t n, char *out) {
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
uint64_t eightdigits(uint32_t v) {
  const uint64_t x = v / 10000 | uint64_t{v % 10000} << 32;    // four digits a lane
  const uint64_t y = (x * 5243 >> 19) & 0x0000007f0000007f;     // x / 100
  const uint64_t w = y | (x - y * 100) << 16;                   // two digits a lane
  const uint64_t t = (w * 103 >> 10) & 0x000f000f000f000f;      // w / 10
  const uint64_t digits = t | (w - t * 10) << 8 | 0x3030303030303030;
  if constexpr (std::endian::native == std::endian::big) return __builtin_bswap64(digits);
  return digits;
}
void sixteendigits(uint64_t n, char *out) {
  const uint64_t upper = n / 100000000;
  if (upper != 0) {
    const uint64_t high = eightdigits(static_cast<uint32_t>(upper));
    std::memcpy(out, &high, 8);
  }
  const uint64_t low = eightdigits(static_cast<uint32_t>(n - upper * 100000000));
  std::memcpy(out + 8, &low, 8);
}
#endif

// x / 2^shift rounded to nearest, ties to even, for shift from 1 to 127 and a
// quotient below 2^63. The bits shifted out are gathered, left-aligned, in
// one word (the lowest bit standing for any below it) and compared with a half.
uint64_t roundshift(u128 x, int shift, uint64_t &truncated) {
  const auto hi = static_cast<uint64_t>(x >> 64), lo = static_cast<uint64_t>(x);
  uint64_t fraction;
  if (shift < 64) {
    truncated = lo >> shift | hi << (64 - shift);
    fraction = lo << (64 - shift);
  } else if (shift == 64) {
    truncated = hi;
    fraction = lo;
  } else {
    truncated = hi >> (shift - 64);
    fraction = hi << (128 - shift) | lo >> (shift - 64) | ((lo << (128 - shift)) != 0);
  }
  constexpr uint64_t HALF = uint64_t{1} << 63;
  return truncated + (fraction > HALF || (fraction == HALF && (truncated & 1)));
}

// "%.*g" of a double with 1 to 16 digits: directly for a normal double when
// value * 10^s is exact in 128 bits (s from 0 to 22), else by the general routine.
std::size_t fastg(char *out, double value, int precision) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  const int shift = 1075 - biased;  // value = mantissa / 2^shift
  if (shift <= 0 || shift >= 128) return slowg(out, value, precision);  // also 0, subnormals, inf and NaN
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | uint64_t{1} << 52;

  // The decimal exponent is floor(log10 2^e) or one more: value * 10^s must
  // have `precision` digits before the binary point.
  int exponent = ((biased - 1023) * 78913) >> 18;
  // value * 10^s to nearest, exact in 128 bits: the mantissa has 53 bits
  // and 10^22 < 2^74.
  auto scaled = [&](int s, uint64_t &truncated) {
    return roundshift(mantissa * POW10WIDE[s], shift, truncated);
  };
  int s = precision - 1 - exponent;
  if (static_cast<unsigned>(s) > 22) return slowg(out, value, precision);
  uint64_t truncated, n = scaled(s, truncated);
  if (truncated >= POW10[precision]) [[unlikely]] {  // the estimate was one too low
    if (--s < 0) return slowg(out, value, precision);
    ++exponent;
    n = scaled(s, truncated);
  }
  if (n == POW10[precision]) {  // rounding carried into a new digit
    n = POW10[precision - 1];
    ++exponent;
  }

  // Fixed notation with an integer part (123.45), or with none (0.00012345),
  // else exponential (1.2345e+67).
  const bool integral = static_cast<unsigned>(exponent) < static_cast<unsigned>(precision);
  const bool fraction = static_cast<unsigned>(exponent + 4) < 4;
  // Trailing zeros go, but not those of an integer part.
  int used = precision;  // n has exactly `precision` digits
  if (n % 10 == 0) [[unlikely]] {  // strip 8, 4, 2 and 1 zeros: any count up to 15 in four steps
    const int keep = integral ? exponent + 1 : 1;
    for (int step = 8; step > 0; step /= 2)
      if (used - step >= keep && n % POW10[step] == 0) {
        n /= POW10[step];
        used -= step;
      }
  }
  // All 16 digits of n, zero-padded; the significant ones are the last `used`.
  // The bytes after them, copied along but never counted, are left unset.
  char all[32];
  sixteendigits(n, all);
  const char *digits = all + 16 - used;  // copies below move 16 bytes; `used` of them count
  char *o = out;
  *o = '-';
  o += bits >> 63;
  if (integral) {  // 123.45
    std::memcpy(o, digits, 16);
    o += exponent + 1;
    if (used > exponent + 1) {
      *o++ = '.';
      std::memcpy(o, digits + exponent + 1, 16);
      o += used - exponent - 1;
    }
  } else if (fraction) {  // 0.00012345
    std::memcpy(o, "0.000000", 8);
    o += 1 - exponent;
    std::memcpy(o, digits, 16);
    o += used;
  } else {  // 1.2345e+67
    *o++ = digits[0];
    if (used > 1) {
      *o++ = '.';
      std::memcpy(o, digits + 1, 16);
      o += used - 1;
    }
    *o++ = 'e';
    *o++ = exponent < 0 ? '-' : '+';
    const int e = exponent < 0 ? -exponent : exponent;  // below 23 on this path
    std::memcpy(o, PAIRS + 2 * e, 2);
    o += 2;
  }
  return static_cast<std::size_t>(o - out);
}
#else
std::size_t fastg(char *out, double value, int precision) { return slowg(out, value, precision); }
#endif

// value as sprintf "%.*g" writes it in the C locale, without the NUL; out has
// room for FORMATROOM bytes. Returns the length.
[[gnu::always_inline]] inline std::size_t formatg(char *out, double value, int precision) {
  if (precision < 0) precision = 6;  // as printf takes a negative precision
  if (precision == 0) precision = 1;
  return precision <= 16 ? fastg(out, value, precision) : slowg(out, value, precision);
}

APIRET fmtaside(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg);

}  // namespace

APIRET fmtresult(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg) {
  // Straight into the interpreter's buffer (256 bytes) when it has room.
  if (result.strptr == nullptr || result.strlength <= FORMATROOM) [[unlikely]]
    return fmtaside(result, value, count, precarg);
  int digits = MAXDIGITS;
  if (count > 0 && precarg->strptr != nullptr) {
    digits = readint(*precarg);
    if (digits > MAXDIGITS) digits = MAXDIGITS;
  }
  const std::size_t len = formatg(result.strptr, value, digits);
  result.strptr[len] = '\0';
  result.strlength = static_cast<ULONG>(len);
  return 0;
}

namespace {

// For a host whose buffer is too small: the text made aside, then copied.
[[gnu::noinline]] APIRET fmtaside(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg) {
  char text[FORMATROOM + 1];
  RXSTRING aside{sizeof text, text};
  fmtresult(aside, value, count, precarg);
  const APIRET rc = puttext(result, text, aside.strlength + 1);  // the NUL goes along, uncounted
  if (rc == 0) result.strlength = aside.strlength;
  return rc;
}

}  // namespace
