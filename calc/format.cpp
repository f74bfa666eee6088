// Numbers to text, exactly as sprintf "%.*g" writes them in the C locale,
// whatever the process's locale. The common case (1 to 16 digits, a decimal
// exponent from -22 to 22) is written directly; everything else by the C++
// library's exact formatter.
#include "qirven.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "sixteendigits.h"

namespace {

constexpr uint64_t pow10u(int n) { return n == 0 ? 1 : 10 * pow10u(n - 1); }
constexpr uint64_t POW10[] = {pow10u(0),  pow10u(1),  pow10u(2),  pow10u(3),  pow10u(4),  pow10u(5),
                              pow10u(6),  pow10u(7),  pow10u(8),  pow10u(9),  pow10u(10), pow10u(11),
                              pow10u(12), pow10u(13), pow10u(14), pow10u(15), pow10u(16)};
// 10^(16 - p): what makes a number of p digits one of 16.
constexpr uint64_t WIDEN[] = {0,          pow10u(15), pow10u(14), pow10u(13), pow10u(12), pow10u(11),
                              pow10u(10), pow10u(9),  pow10u(8),  pow10u(7),  pow10u(6),  pow10u(5),
                              pow10u(4),  pow10u(3),  pow10u(2),  pow10u(1),  pow10u(0)};
constexpr char PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Sets the result to the len characters written at out, its buffer, with a NUL after them.
APIRET written(RXSTRING &result, char *out, std::size_t len) {
  out[len] = '\0';
  result.strlength = static_cast<ULONG>(len);
  return 0;
}

// Everything the fast path does not take: exact, and about 600 instructions more.
[[gnu::noinline]] APIRET slowg(RXSTRING &result, double value, int precision) {
  auto [end, ec] = std::to_chars(result.strptr, result.strptr + FORMATROOM, value, std::chars_format::general,
                                 precision);
  return written(result, result.strptr, ec == std::errc() ? static_cast<std::size_t>(end - result.strptr) : 0);
}

// The exact integer formatting below needs 128-bit integers (GCC and clang on
// 64-bit targets); elsewhere std::to_chars, as exact but slower, does it all.
#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 u128;
constexpr uint64_t pow5u(int n) { return n == 0 ? 1 : 5 * pow5u(n - 1); }
// 5^s up to 5^22 < 2^52: value * 10^s = mantissa * 5^s / 2^(shift - s) is one 64-bit product.
constexpr uint64_t POW5[] = {pow5u(0),  pow5u(1),  pow5u(2),  pow5u(3),  pow5u(4),  pow5u(5),  pow5u(6),  pow5u(7),
                             pow5u(8),  pow5u(9),  pow5u(10), pow5u(11), pow5u(12), pow5u(13), pow5u(14), pow5u(15),
                             pow5u(16), pow5u(17), pow5u(18), pow5u(19), pow5u(20), pow5u(21), pow5u(22)};

// mantissa * 5^s / 2^r to nearest, ties to even; the product has at most 105
// bits and the quotient fits a word. The narrow form takes r from 1 to 63,
// the wide one from 1 to 127.
template <bool wide>
[[gnu::always_inline]] inline uint64_t rounded(uint64_t mantissa, int s, int r) {
  const u128 x = static_cast<u128>(mantissa) * POW5[s];
  if constexpr (wide) {
    const auto truncated = static_cast<uint64_t>(x >> r);
    const u128 rest = x & ((u128{1} << r) - 1), half = u128{1} << (r - 1);
    return truncated + (rest > half || (rest == half && (truncated & 1)));
  } else {
    if (r < 1 || r > 63) __builtin_unreachable();
    const auto truncated = static_cast<uint64_t>(x >> r);
    const uint64_t fraction = static_cast<uint64_t>(x) << (64 - r);  // the bits shifted out, left-aligned
    // Just under a half, or a half when truncated is odd, carries out of the
    // fraction exactly when it rounds up.
    uint64_t sum;
    return truncated + __builtin_add_overflow(fraction, (uint64_t{1} << 63) - 1 + (truncated & 1), &sum);
  }
}

[[gnu::noinline]] APIRET putgeneral(RXSTRING &result, double value, int precision);

// "%.*g" of value with 1 to 16 digits into the result: directly for a normal
// double when value * 10^s is exact in 128 bits (s from 0 to 22), else by the
// general routine. The common instance takes a decimal exponent estimated
// right and a narrow shift, and needs no frame: everything else, it passes on
// to the general instance by a tail call.
template <bool general>
APIRET putg(RXSTRING &result, double value, int precision) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  const int shift = 1075 - biased;  // value = mantissa / 2^shift
  // The decimal exponent is floor(log10 2^e) or one more: value * 10^s must
  // have `precision` digits before the binary point.
  int exponent = ((biased - 1023) * 78913) >> 18;
  int s = precision - 1 - exponent;
  if (general) {
    if (static_cast<unsigned>(shift - 1) > 126 || static_cast<unsigned>(s) > 22 || shift - s < 1)
      return slowg(result, value, precision);  // also 0, subnormals, inf and NaN
  } else if (static_cast<unsigned>(s) > 22 || static_cast<unsigned>(shift - s - 1) > 62) {
    return putgeneral(result, value, precision);  // (with both in range, the double is a normal one)
  }
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | uint64_t{1} << 52;
  uint64_t n = rounded<general>(mantissa, s, shift - s);
  if (n >= POW10[precision]) [[unlikely]] {  // the estimate was one too low, or rounding carried
    if (!general) return putgeneral(result, value, precision);
    if (--s < 0) return slowg(result, value, precision);
    ++exponent;
    n = rounded<true>(mantissa, s, shift - s);
    if (n == POW10[precision]) {  // both: rounding carried into a new digit
      n = POW10[precision - 1];
      if (++exponent == precision) return slowg(result, value, precision);  // 1e+16: exponential, positive
    }
  }

  // 16 digits, the first non-zero; those that count end at the last non-zero one.
  // Each copy below moves 16 bytes, of which only those counted are kept.
  char digits[32];
  const int last = lastnonzero(n * WIDEN[precision], digits);
  char *const out = result.strptr;
  char *o = out;
  *o = '-';
  o += bits >> 63;
  if (static_cast<unsigned>(exponent) < static_cast<unsigned>(precision)) {  // 123.45, or 123
    const int point = exponent + 1;  // digits before the point, all of them kept
    std::memcpy(o, digits, 16);
    o[point] = '.';
    std::memcpy(o + point + 1, digits + point, 16);
    o += last >= point ? last + 2 : point;
  } else if (exponent >= -4) {  // 0.00012345
    std::memcpy(o, "0.000000", 8);
    o += 1 - exponent;
    std::memcpy(o, digits, 16);
    o += last + 1;
  } else {  // 1.2345e-07: on this path the exponent lies between -22 and -5
    o[0] = digits[0];
    o[1] = '.';
    std::memcpy(o + 2, digits + 1, 16);
    o += last > 0 ? last + 2 : 1;
    std::memcpy(o, "e-", 2);
    std::memcpy(o + 2, PAIRS + 2 * -exponent, 2);
    o += 4;
  }
  return written(result, out, static_cast<std::size_t>(o - out));
}

APIRET putgeneral(RXSTRING &result, double value, int precision) { return putg<true>(result, value, precision); }
#else
template <bool>
APIRET putg(RXSTRING &result, double value, int precision) { return slowg(result, value, precision); }
#endif

}  // namespace

[[gnu::noinline]] APIRET fmtdigits(RXSTRING &result, double value, int precision) {
  return putg<false>(result, value, precision);
}

namespace {

// Any precision text, as atoi reads it; as printf takes it, a negative
// precision as 6 and 0 as 1.
[[gnu::noinline]] APIRET fmtanyprecision(RXSTRING &result, double value, const RXSTRING &precarg) {
  int precision = readintgeneral(precarg);
  if (precision > MAXDIGITS) precision = MAXDIGITS;
  if (precision <= 0) precision = precision < 0 ? 6 : 1;
  return fmtdigits(result, value, precision);
}

}  // namespace

// The common precision, one or two digits, read here with no call. (readint
// reads the same, but its fallback call would give this function a frame;
// the two lengths written out cost 6 to 10 instructions less than one shared form.)
APIRET fmtprecision(RXSTRING &result, double value, const RXSTRING &precarg) {
  const char *p = precarg.strptr;
  if (precarg.strlength == 1) {
    const unsigned digit = static_cast<unsigned char>(p[0]) - '0';
    if (digit <= 9) return fmtdigits(result, value, digit == 0 ? 1 : static_cast<int>(digit));
  } else if (precarg.strlength == 2) {
    const unsigned first = static_cast<unsigned char>(p[0]) - '0', second = static_cast<unsigned char>(p[1]) - '0';
    const unsigned precision = first * 10 + second;
    if (first <= 9 && second <= 9)
      return fmtdigits(result, value, precision == 0 ? 1 : precision > 16 ? 16 : static_cast<int>(precision));
  }
  return fmtanyprecision(result, value, precarg);
}

// For a host whose buffer is too small: the text made aside, then copied.
APIRET fmtaside(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg) {
  char text[FORMATROOM + 1];
  RXSTRING aside{sizeof text, text};
  fmtresult(aside, value, count, precarg);
  const APIRET rc = puttext(result, text, aside.strlength + 1);  // the NUL goes along, uncounted
  if (rc == 0) result.strlength = aside.strlength;
  return rc;
}
