// Decimal text to double and back, giving exactly what atof, atoi and
// sprintf "%.*g" give in the C locale, whatever the process's locale.
// The common cases take short exact paths; everything else goes to the
// standard library's correctly rounded conversions.
#include "qirven.h"

#include <bit>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

// White space as the C locale's isspace sees it.
bool isblankc(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isdigitc(char c) { return c >= '0' && c <= '9'; }

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

locale_t clocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}

// Hexadecimal, inf, nan, overflow and underflow: the C library's reader, on a
// NUL-terminated copy. Kept out of line so that the common paths need no copy.
[[gnu::noinline]] bool readbylibrary(const RXSTRING &arg, double &value) {
  scratch space;
  const char *text = argtext(arg, space);
  if (text == nullptr) return false;
  locale_t c = clocale();
  value = c ? strtod_l(text, nullptr, c) : std::strtod(text, nullptr);
  return true;
}

}  // namespace

bool readvalue(const RXSTRING &arg, double &value) {
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
    if (p != end && (*p == 'i' || *p == 'I' || *p == 'n' || *p == 'N')) return readbylibrary(arg, value);
    value = 0.0;  // no number at all
    return true;
  }
  const bool hex = p[0] == '0' && p + 1 != end && (p[1] == 'x' || p[1] == 'X');
  if (hex) return readbylibrary(arg, value);
  const bool exponent = q != end && (*q == 'e' || *q == 'E');
  if (DOUBLEEVAL && !exponent && count < 20 && digits <= (uint64_t{1} << 53)) {
    double v = static_cast<double>(digits) / POW10D[places];
    value = neg ? -v : v;
    return true;
  }
  // Longer decimals and exponents, read in place: the reader stops at a NUL
  // byte as atof does.
  double v;
  auto [stop, ec] = std::from_chars(p, end, v);
  if (ec != std::errc()) return readbylibrary(arg, value);
  value = neg ? -v : v;
  return true;
}

int readint(const RXSTRING &arg) {
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

namespace {

// The exact integer formatting below needs 128-bit integers (GCC and clang on
// 64-bit targets); elsewhere std::to_chars, as exact but slower, does it all.
#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 u128;

// Eight decimal digits of v < 10^8, two at a time: v * ceil(2^48 / 10^6) holds
// the leading pair above bit 48 and the rest as a fraction below it (checked
// for every v below 10^8).
void writeeight(char *out, uint32_t v) {
  constexpr uint64_t FRACTION = (uint64_t{1} << 48) - 1;
  uint64_t f = uint64_t{v} * 281474977;
  std::memcpy(out, PAIRS + 2 * (f >> 48), 2);
  f = (f & FRACTION) * 100;
  std::memcpy(out + 2, PAIRS + 2 * (f >> 48), 2);
  f = (f & FRACTION) * 100;
  std::memcpy(out + 4, PAIRS + 2 * (f >> 48), 2);
  f = (f & FRACTION) * 100;
  std::memcpy(out + 6, PAIRS + 2 * (f >> 48), 2);
}

// "%.*g" of a normal double with 1 to 16 digits, when value * 10^s is exact
// in 128 bits (s from 0 to 22); 0 when it is not, for the general routine.
std::size_t fastg(char *out, double value, int precision) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  if (biased == 0 || biased == 0x7ff) return 0;
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | uint64_t{1} << 52;
  const int shift = 1075 - biased;  // value = mantissa / 2^shift
  if (shift <= 0 || shift >= 128) return 0;

  // value * 10^s, exact in 128 bits: the mantissa has 53 bits and 10^22 < 2^74.
  auto scale = [&](int exponent, u128 &scaled) {
    const int s = precision - 1 - exponent;
    if (s < 0 || s > 22) return false;
    scaled = static_cast<u128>(mantissa) * POW10[s > 19 ? 19 : s];
    if (s > 19) scaled *= POW10[s - 19];
    return true;
  };
  // The decimal exponent is floor(log10 2^e) or one more.
  int exponent = ((biased - 1023) * 78913) >> 18;
  u128 scaled;
  if (!scale(exponent, scaled)) return 0;
  if ((scaled >> shift) >= POW10[precision] && !scale(++exponent, scaled)) return 0;
  auto n = static_cast<uint64_t>(scaled >> shift);
  const u128 rest = scaled & ((static_cast<u128>(1) << shift) - 1);
  const u128 half = static_cast<u128>(1) << (shift - 1);
  if (rest > half || (rest == half && (n & 1))) ++n;  // to nearest, ties to even
  if (n == POW10[precision]) {  // rounding carried into a new digit
    n = POW10[precision - 1];
    ++exponent;
  }

  // Trailing zeros go, but not those of a fixed integer part.
  const bool fixed = exponent >= -4 && exponent < precision;
  const int keep = fixed && exponent >= 0 ? exponent + 1 : 1;
  int used = precision;  // n has exactly `precision` digits
  if (n % 10 == 0) {  // strip 8, 4, 2 and 1 zeros: any count up to 15 in four steps
    for (int step = 8; step > 0; step /= 2)
      if (used - step >= keep && n % POW10[step] == 0) {
        n /= POW10[step];
        used -= step;
      }
  }
  // All 16 digits of n, zero-padded; the significant ones are the last `used`.
  char all[32] = {};
  if (used > 8) writeeight(all, static_cast<uint32_t>(n / 100000000));
  writeeight(all + 8, static_cast<uint32_t>(n % 100000000));
  const char *digits = all + 16 - used;  // copies below move 16 bytes; `used` of them count
  char *o = out;
  *o = '-';
  o += bits >> 63;
  if (fixed && exponent >= 0) {  // 123.45
    std::memcpy(o, digits, 16);
    o += exponent + 1;
    if (used > exponent + 1) {
      *o++ = '.';
      std::memcpy(o, digits + exponent + 1, 16);
      o += used - exponent - 1;
    }
  } else if (fixed) {  // 0.00012345
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
std::size_t fastg(char *, double, int) { return 0; }
#endif

}  // namespace

std::size_t formatg(char *out, double value, int precision) {
  if (precision < 0) precision = 6;  // as printf takes a negative precision
  if (precision == 0) precision = 1;
  if (precision <= 16) {
    if (std::size_t len = fastg(out, value, precision)) return len;
  }
  auto [end, ec] = std::to_chars(out, out + FORMATROOM, value, std::chars_format::general, precision);
  return ec == std::errc() ? static_cast<std::size_t>(end - out) : 0;
}
