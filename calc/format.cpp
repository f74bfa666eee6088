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
                              pow10u(12), pow10u(13), pow10u(14), pow10u(15), pow10u(16), pow10u(17),
                              pow10u(18), pow10u(19)};
constexpr char PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

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
