// Decimal text to numbers, exactly as atof and atoi read it in the C locale,
// whatever the process's locale. The common case takes a short exact path
// (readplain, inline in qirven.h); everything else comes here, and what is
// not a plain decimal goes on to the C++ library's correctly rounded reader.
#include "qirven.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// White space as the C locale's isspace sees it.
bool isblankc(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isdigitc(char c) { return c >= '0' && c <= '9'; }
bool isxdigitc(char c) { return isdigitc(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

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
  // strtod takes a binary exponent only with digits after p and one sign;
  // libstdc++ (12 and 14) reads "0x1p+-3" as 2^-3, where strtod reads 1.
  if (hex) {
    const char *e = std::find_if(p, end, [](char c) { return (c | 0x20) == 'p'; });
    const char *d = e == end ? end : e + 1;
    if (d != end && (*d == '+' || *d == '-')) ++d;
    if (d == end || !isdigitc(*d)) end = e;
  }
  double v = 0;
  auto [stop, ec] = std::from_chars(p, end, v, hex ? std::chars_format::hex : std::chars_format::general);
  if (ec == std::errc::result_out_of_range) v = islarge(p, stop, hex) ? HUGE_VAL : 0.0;
  else if (ec != std::errc() && !hex) neg = false;  // no number at all, so no sign: 0
  // (0x with no hexadecimal digits after it is the number 0)
  return {neg ? -v : v, true};
}

}  // namespace

// Any text, as atof reads it.
reading readgeneral(const RXSTRING &arg) {
  // First the commonest of the rest: a minus sign and a plain text (-30,
  // -0.5), but for "-.", which has no digit and so no sign.
  double positive;
  if (arg.strlength > 1 && arg.strptr != nullptr && arg.strptr[0] == '-' &&
      (arg.strlength > 2 || arg.strptr[1] != '.') && readplain({arg.strlength - 1, arg.strptr + 1}, positive))
    return {-positive, true};
  const char *p = arg.strptr;
  const char *end = p ? p + arg.strlength : p;
  while (p != end && isblankc(*p)) ++p;
  const bool neg = p != end && *p == '-';
  if (p != end && (*p == '+' || *p == '-')) ++p;

  // Up to 19 digits with an optional point and a short exponent: when the
  // digits fit in 53 bits and the scale in 22 places either way, one exact
  // IEEE division or multiplication rounds correctly.
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
  // An exponent of up to three digits, as REXX writes one (1.09951163E+12);
  // an e with no digit after it is not one, and atof stops before it.
  int scale = -static_cast<int>(places);
  bool whole = true;  // the exponent read whole
  if (q != end && (*q == 'e' || *q == 'E')) {
    const char *e = q + 1;
    const bool negative = e != end && *e == '-';
    if (e != end && (*e == '+' || *e == '-')) ++e;
    const char *const first = e;
    int exponent = 0;
    for (; e != end && e - first < 3 && isdigitc(*e); ++e) exponent = exponent * 10 + (*e - '0');
    if (e != end && isdigitc(*e)) whole = false;  // a longer exponent
    if (e != first) scale += negative ? -exponent : exponent;
  }
  // The digits times or divided by an exact power of ten: one IEEE operation.
  if (DOUBLEEVAL && whole && count < 20 && digits <= (uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
    const auto d = static_cast<double>(digits);
    const double v = scale < 0 ? d / POW10D[-scale] : d * POW10D[scale];
    return {neg ? -v : v, true};
  }
  // Longer decimals and exponents, read in place: the reader stops at a NUL
  // byte as atof does.
  double v;
  auto [stop, ec] = std::from_chars(p, end, v);
  if (ec != std::errc()) return readrare(arg);
  return {neg ? -v : v, true};
}

// Any text, as atoi reads it.
int readintgeneral(const RXSTRING &arg) {
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
