// Numbers to text, exactly as sprintf "%.*g" writes them in the C locale,
// whatever the process's locale. The common case (1 to 16 digits, a decimal
// exponent from -22 to 22) is written directly; everything else by the C++
// library's exact formatter.
#include "qirven.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "platform.h"

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
// FORMATROOM holds every such text, but were the library to fail, the call
// fails rather than answer an empty text. (Callers that see this cannot
// prove the formatters always return 0, which GCC 14 would use to turn
// their tail calls into calls.)
[[gnu::noinline]] APIRET slowg(RXSTRING &result, double value, int precision) {
  auto [end, ec] = std::to_chars(result.strptr, result.strptr + FORMATROOM, value, std::chars_format::general,
                                 precision);
  if (ec != std::errc()) return BADARGS;
  return written(result, result.strptr, static_cast<std::size_t>(end - result.strptr));
}

// The exact integer formatting below needs 128-bit integers (GCC and clang on
// 64-bit targets); elsewhere std::to_chars, as exact but slower, does it all.
#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 u128;
constexpr uint64_t pow5u(int n) { return n == 0 ? 1 : 5 * pow5u(n - 1); }
// 5^s up to 5^27 < 2^63: value * 10^s = mantissa * 5^s / 2^(shift - s) is one 128-bit product.
constexpr int MAXSCALE = 27;
constexpr uint64_t POW5[] = {pow5u(0),  pow5u(1),  pow5u(2),  pow5u(3),  pow5u(4),  pow5u(5),  pow5u(6),
                             pow5u(7),  pow5u(8),  pow5u(9),  pow5u(10), pow5u(11), pow5u(12), pow5u(13),
                             pow5u(14), pow5u(15), pow5u(16), pow5u(17), pow5u(18), pow5u(19), pow5u(20),
                             pow5u(21), pow5u(22), pow5u(23), pow5u(24), pow5u(25), pow5u(26), pow5u(27)};

// value * 10^s, value = mantissa / 2^shift, to nearest, ties to even, for s
// from -27 to 27; 0 where that does not fit 128 bits. Up, a product with 5^s
// (at most 116 bits) shifted down; down, a quotient by 5^-s and a power of two.
inline uint64_t scaled(uint64_t mantissa, int shift, int s) {
  u128 x, rest, half;
  uint64_t q;
  if (s >= 0) {
    const int r = shift - s;
    if (r < 1 || r > 127) return 0;
    x = static_cast<u128>(mantissa) * POW5[s];
    q = static_cast<uint64_t>(x >> r);
    rest = x & ((u128{1} << r) - 1);
    half = u128{1} << (r - 1);
  } else {
    const int j = shift - s;  // value / 10^t = mantissa / (5^t * 2^j), t = -s
    if (j > 64 || j < -74) return 0;
    x = static_cast<u128>(mantissa) << (j < 0 ? -j : 0);
    const u128 d = static_cast<u128>(POW5[-s]) << (j > 0 ? j : 0);
    q = static_cast<uint64_t>(x / d);
    rest = (x - q * d) * 2;  // twice the remainder: below 2d, which is below 2^128
    half = d;
  }
  return q + (rest > half || (rest == half && (q & 1)));
}

// What the formatter needs of a precision p, one row each, passed by its
// address so that nothing is computed from p: p itself, p - 1, 10^p
// (the least integer of p + 1 digits) and 10^(16 - p) (which widens one of
// p digits to 16). And the common case's scaling, which needs no shift of
// the product: for each scale s, 5^s is stored shifted left by b, so that
// the mantissa shifted left by a, 0 to 11, makes a product whose binary
// point is at bit 64: its high word is value * 10^s cut to an integer, its
// low word the fraction. Then a + b = 64 - r, and a = biased + s - offset[s]
// with offset = 1011 + b.
struct precisionrow {
  int precision, last;
  uint64_t limit, widen;
  uint64_t power[23];
  int offset[23];
};
constexpr int bitsof(uint64_t v) { return v == 0 ? 0 : 1 + bitsof(v >> 1); }
constexpr int estimate(int biased) { return ((biased - 1023) * 78913) >> 18; }  // see putg
// The smallest biased exponent whose estimate is e or more: from just below
// e / log10 2, a step or two up. (Searches stay short: clang counts the
// steps of a constant evaluation.)
constexpr int firstwith(int e) {
  int biased = 1023 + e * 262144 / 78913 - 2;
  while (estimate(biased) < e) ++biased;
  return biased;
}
struct precisionrows {
  precisionrow of[MAXDIGITS + 1];
};
constexpr precisionrows makerows() {
  precisionrows t{};
  for (int p = 1; p <= MAXDIGITS; ++p) {
    precisionrow &prec = t.of[p];
    prec.precision = p;
    prec.last = p - 1;
    prec.limit = POW10[p];
    prec.widen = WIDEN[p];
    for (int s = 0; s <= 22; ++s) {
      const int top = firstwith(p - s) - 1;  // the largest biased exponent that is given this scale
      int b = top + s - 1022;  // a is at most 11 for every exponent up to top
      b = b < 0 ? 0 : b > 64 - bitsof(POW5[s]) ? 64 - bitsof(POW5[s]) : b;
      prec.power[s] = POW5[s] << b;
      prec.offset[s] = 1011 + b;
    }
  }
  return t;
}
constexpr precisionrows ROWS = makerows();

// The mantissa's shift a for a precision and a biased exponent; the common
// case takes a scale from 0 to 22 and an a from 0 to 11.
constexpr int shiftof(int p, int biased) {
  const int s = p - 1 - estimate(biased);
  return s < 0 || s > 22 ? -1 : biased + s - ROWS.of[p].offset[s];
}
constexpr bool common(int p, int biased) { return shiftof(p, biased) >= 0 && shiftof(p, biased) <= 11; }

// The default precision reads its scale and shift from a row for each
// biased exponent that the common case takes (a run of them, from FIRST16
// on), rather than computing and checking them.
// Below firstwith(p - 23) the scale is over 22, from firstwith(p) on below 0.
constexpr int firstof(int p) {
  int biased = firstwith(p - 23);
  while (!common(p, biased)) ++biased;
  return biased;
}
constexpr int FIRST16 = firstof(MAXDIGITS);
constexpr int countof(int p) {
  const int first = firstof(p);
  int n = 0;
  while (common(p, first + n)) ++n;
  for (int biased = first + n; biased < firstwith(p); ++biased)
    if (common(p, biased)) return 0;  // not one run
  return n;
}
constexpr int COUNT16 = countof(MAXDIGITS);
static_assert(COUNT16 > 0, "the default precision's common exponents must be one run");
// The common instances' integer: the mantissa shifted left by a, times the
// power, its fraction (the product's low word) rounded to nearest, ties to
// even (nearest, in platform.h).
constexpr uint64_t roundedproduct(uint64_t mantissa, unsigned a, uint64_t power) {
  const u128 x = static_cast<u128>(mantissa << a) * power;
  return nearest(static_cast<uint64_t>(x >> 64), static_cast<uint64_t>(x));
}
struct sixteenrows {  // (in columns, each read with a scaled index)
  uint64_t power[COUNT16];  // of the precision's scaling
  uint64_t raiseat[COUNT16];  // the least mantissa whose product has 17 digits, or 2^53
  int point[COUNT16];  // the digits before a point: the exponent plus 1
  uint8_t a[COUNT16];
};
constexpr sixteenrows makesixteen() {
  sixteenrows t{};
  for (int i = 0; i < COUNT16; ++i) {
    t.power[i] = ROWS.of[MAXDIGITS].power[MAXDIGITS - 1 - estimate(FIRST16 + i)];
    t.point[i] = estimate(FIRST16 + i) + 1;
    t.a[i] = static_cast<uint8_t>(shiftof(MAXDIGITS, FIRST16 + i));
    // The rounded product grows with the mantissa: the first that reaches
    // 10^16, found by halving [2^52, 2^53).
    uint64_t low = uint64_t{1} << 52, high = uint64_t{1} << 53;
    while (low < high) {
      const uint64_t middle = low + (high - low) / 2;
      if (roundedproduct(middle, t.a[i], t.power[i]) >= POW10[MAXDIGITS])
        high = middle;
      else
        low = middle + 1;
    }
    t.raiseat[i] = low;
  }
  return t;
}
constexpr sixteenrows SIXTEEN = makesixteen();

[[gnu::noinline]] APIRET putgeneral(RXSTRING &result, double value, const precisionrow &prec);

// "%.*g" of value with 1 to 16 digits into the result: directly for a normal
// double when value * 10^s is exact in 128 bits (s from 0 to 22 in the common
// instances, -27 to 27 in the general one), else by the C++ library. The
// common instance takes a decimal exponent estimated right and a product
// whose binary point the precision's scaling puts at bit 64, and needs no frame. When the
// estimate was one too low (for about one value in seven: those from a
// power of ten up to the next power of two) or rounding carried, it passes
// the value on by a tail call to the instance that raises the estimate by
// one (the default precision's instance tells this from the mantissa,
// before the product); everything else, to the general instance.
template <bool general, bool sixteen = false, int raise = 0>
APIRET putg(RXSTRING &result, double value, const precisionrow &prec) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  const int shift = 1075 - biased;  // value = mantissa / 2^shift
  // The decimal exponent is floor(log10 2^e) or one more: value * 10^s must
  // have `precision` digits before the binary point. Kept as the number of
  // digits before a decimal point, the exponent plus 1.
  const int estimated = estimate(biased) + raise;
  int s = prec.last - estimated;
  std::ptrdiff_t point = estimated + 1;
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | uint64_t{1} << 52;
  uint64_t n;
  if (general) {
    if (biased == 0 || biased == 0x7ff || s < -MAXSCALE || s > MAXSCALE || (n = scaled(mantissa, shift, s)) == 0)
      return slowg(result, value, prec.precision);  // also 0, subnormals, inf and NaN
  } else {
    unsigned a;
    uint64_t power;
    if (sixteen) {
      const uint64_t row = (bits >> 52 & 0x7ff) - FIRST16;  // (64 bits wide: no extension to index)
      if (row >= COUNT16) return putgeneral(result, value, prec);
      // (the estimate one too low, or rounding to carry: told from the mantissa)
      if (mantissa >= SIXTEEN.raiseat[row]) [[unlikely]]
        return putg<false, false, 1>(result, value, prec);
      a = SIXTEEN.a[row];
      power = SIXTEEN.power[row];
      point = SIXTEEN.point[row];
    } else {
      const auto scale = static_cast<unsigned>(s);  // (as unsigned: no sign extension)
      if (scale > 22) return putgeneral(result, value, prec);
      a = static_cast<unsigned>(biased + s - prec.offset[scale]);
      if (a > 11) return putgeneral(result, value, prec);  // (then the double is a normal one)
      power = prec.power[scale];
    }
    n = roundedproduct(mantissa, a, power);
  }
  if (!sixteen && n >= prec.limit) [[unlikely]] {  // the estimate was one too low, or rounding carried
    if (!general) return raise == 0 ? putg<false, false, 1>(result, value, prec) : putgeneral(result, value, prec);
    if (--s < -MAXSCALE || (n = scaled(mantissa, shift, s)) == 0) return slowg(result, value, prec.precision);
    ++point;
    if (n == prec.limit) {  // both: rounding carried into a new digit
      n = prec.limit / 10;
      ++point;
    }
  }

  // 16 digits, the first non-zero, written where the notation has them;
  // those that count end at the last non-zero one. Each copy below moves 16
  // bytes, of which only those counted are kept (the buffer has room).
  const sixteendigits digits = digitsof(n * prec.widen);
  const std::size_t last = digits.last;
  char *const out = result.strptr;
  char *o = out;
  *o = '-';
  o += bits >> 63;
  // 123.45, or 123. (Below the precision, as the common instances' scale
  // of 0 or more already says.)
  if (general ? static_cast<unsigned>(point - 1) < static_cast<unsigned>(prec.precision) : point > 0) [[likely]] {
    const auto before = static_cast<std::size_t>(point);  // all of them kept
    put(o, digits);
    char after[16];  // the digits after the point, then moved up for it
    std::memcpy(after, o + before, 16);
    o[before] = '.';
    std::memcpy(o + before + 1, after, 16);
    o += last >= before ? last + 2 : before;
  } else if (point >= -3 && (!general || point <= 0)) {  // 0.00012345
    std::memcpy(o, "0.000000", 8);
    o += 2 - static_cast<std::ptrdiff_t>(point);
    put(o, digits);
    o += last + 1;
  } else {  // 1.2345e-07, 1.2345e+16: the exponent has two digits
    put(o + 1, digits);  // (then the first moved before the point)
    o[0] = o[1];
    o[1] = '.';
    o += last > 0 ? last + 2 : 1;
    const std::ptrdiff_t exponent = point - 1;
    o[0] = 'e';
    o[1] = exponent < 0 ? '-' : '+';
    std::memcpy(o + 2, PAIRS + 2 * (exponent < 0 ? -exponent : exponent), 2);
    o += 4;
  }
  return written(result, out, static_cast<std::size_t>(o - out));
}

APIRET putgeneral(RXSTRING &result, double value, const precisionrow &prec) { return putg<true>(result, value, prec); }
#else
struct precisionrow {
  int precision;
};
struct precisionrows {
  precisionrow of[MAXDIGITS + 1];
};
constexpr precisionrows makerows() {
  precisionrows t{};
  for (int p = 1; p <= MAXDIGITS; ++p) t.of[p].precision = p;
  return t;
}
constexpr precisionrows ROWS = makerows();
template <bool, bool = false>
APIRET putg(RXSTRING &result, double value, const precisionrow &prec) { return slowg(result, value, prec.precision); }
#endif

// The interpreter's buffer holds every text the package writes; a host's
// smaller one gets the text made aside.
bool roomy(const RXSTRING &result) { return result.strptr != nullptr && result.strlength > FORMATROOM; }

// 1 to 16 digits into a buffer known to have room.
[[gnu::noinline]] APIRET fmtdigits(RXSTRING &result, double value, const precisionrow &prec) {
  return putg<false>(result, value, prec);
}

// For a host whose buffer is too small: the text made aside, then copied.
[[gnu::noinline]] APIRET fmtaside(RXSTRING &result, double value, const precisionrow &prec) {
  char text[FORMATROOM + 1];
  RXSTRING aside{sizeof text, text};
  const APIRET made = fmtdigits(aside, value, prec);
  if (made != 0) return made;
  const APIRET rc = puttext(result, text, aside.strlength + 1);  // the NUL goes along, uncounted
  if (rc == 0) result.strlength = aside.strlength;
  return rc;
}

// Any precision text, as atoi reads it; as printf takes it, a negative
// precision as 6 and 0 as 1. Into a buffer of any size.
[[gnu::noinline]] APIRET fmtanyprecision(RXSTRING &result, double value, const RXSTRING &precarg) {
  int precision = readintgeneral(precarg);
  if (precision > MAXDIGITS) precision = MAXDIGITS;
  if (precision <= 0) precision = precision < 0 ? 6 : 1;
  const precisionrow &prec = ROWS.of[precision];
  return roomy(result) ? fmtdigits(result, value, prec) : fmtaside(result, value, prec);
}

// The precision that a number of one or two digits asks for, as printf
// takes it: 0 as 1, above 16 as 16. Read through two tables of every
// byte, the value a digit adds as tens and as units, where any other byte
// adds 100 and so leaves the sum outside the table of precisions: a sum
// and one compare instead of a test of each digit.
struct precisions {
  uint8_t tens[256], units[256];
  const precisionrow *of[100];  // by the sum
};
constexpr precisions makeprecisions() {
  precisions t{};
  for (int c = 0; c < 256; ++c) {
    const bool digit = c >= '0' && c <= '9';
    t.tens[c] = static_cast<uint8_t>(digit ? (c - '0') * 10 : 100);
    t.units[c] = static_cast<uint8_t>(digit ? c - '0' : 100);
  }
  for (int n = 0; n < 100; ++n) t.of[n] = &ROWS.of[n == 0 ? 1 : n > MAXDIGITS ? MAXDIGITS : n];
  return t;
}
constexpr precisions PRECISION = makeprecisions();

}  // namespace

// The default precision, its constants folded in.
[[gnu::noinline]] APIRET fmtsixteen(RXSTRING &result, double value) {
  if (!roomy(result)) [[unlikely]]
    return fmtaside(result, value, ROWS.of[MAXDIGITS]);
  return putg<false, true>(result, value, ROWS.of[MAXDIGITS]);
}

// The common precision, one or two digits, read here with no call. (readint
// reads the same, but its fallback call would give this function a frame;
// the two lengths written out cost 6 to 10 instructions less than one shared form.)
APIRET fmtprecision(RXSTRING &result, double value, const RXSTRING &precarg) {
  if (!roomy(result)) [[unlikely]]
    return fmtanyprecision(result, value, precarg);  // (which makes the text aside)
  const auto *p = reinterpret_cast<const unsigned char *>(precarg.strptr);
  if (precarg.strlength == 1) {
    const unsigned units = PRECISION.units[p[0]];
    if (units < 100) return fmtdigits(result, value, *PRECISION.of[units]);
  } else if (precarg.strlength == 2) {
    const unsigned sum = PRECISION.tens[p[0]] + PRECISION.units[p[1]];
    if (sum < 100) return fmtdigits(result, value, *PRECISION.of[sum]);
  }
  return fmtanyprecision(result, value, precarg);
}
