// The angle functions: name(angle-or-value [, precision [, unit]]), the unit
// chosen by the first letter of D(egrees), G(rads) or R(adians), degrees by default.
#include "findfunc.h"

#include <math.h>

namespace {

// The doubles nearest to pi/180, pi/200, 180/pi and 200/pi, each applied by
// one multiplication so that results do not depend on a division's rounding.
constexpr double DEGTORAD = 0.017453292519943295;
constexpr double GRADTORAD = 0.015707963267948967;
constexpr double RADTODEG = 57.29577951308232;
constexpr double RADTOGRAD = 63.66197723675813;

double cotan(double x) { return cos(x) / sin(x); }

// a times b rounded to double once. Where doubles are computed in x87
// extended precision the plain product would be rounded twice; fma with a
// zero of minus sign rounds once and keeps the sign of a zero product.
double product(double a, double b) { return DOUBLEEVAL ? a * b : fma(a, b, -0.0); }

// The units, and the one that each byte names as a unit's first letter: d,
// g and r in either case name one, every other byte none.
enum unit : uint8_t { NOUNIT, DEGREES, GRADS, RADIANS };
struct unitletters {
  uint8_t of[256];
};
constexpr unitletters makeletters() {
  unitletters t{};
  auto name = [&t](unsigned char lower, unit u) { t.of[lower] = t.of[lower - 0x20] = u; };  // both cases
  name('d', DEGREES);
  name('g', GRADS);
  name('r', RADIANS);
  return t;
}
constexpr unitletters UNITOF = makeletters();

// The factor for each unit, into radians and out of them.
constexpr double TOANGLE[] = {0.0, DEGTORAD, GRADTORAD, 1.0};
constexpr double FROMANGLE[] = {0.0, RADTODEG, RADTOGRAD, 1.0};

// The unit, the second of `count` options after the first argument: degrees
// when none is given, or when it is omitted or empty.
unit unitof(ULONG count, const RXSTRING *options) {
  if (count == 0) return DEGREES;  // (tested first: the precision's test that follows is the same)
  if (count < 2 || options[1].strptr == nullptr || options[1].strlength == 0) return DEGREES;
  return static_cast<unit>(UNITOF.of[static_cast<unsigned char>(options[1].strptr[0])]);
}

}  // namespace

constexpr mathentry trigfuncs[4] = {
    {"rxcalccos", ::cos}, {"rxcalccotan", cotan}, {"rxcalcsin", ::sin}, {"rxcalctan", ::tan},
};

constexpr mathentry arcfuncs[3] = {
    {"rxcalcarccos", ::acos}, {"rxcalcarcsin", ::asin}, {"rxcalcarctan", ::atan},
};

extern "C" APIRET calctrig(PCSZ name, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 1 || argc > 3) return BADARGS;
  const ULONG options = argc - 1;  // precision and unit
  const resultslot out = result;
  const mathroutine func = findfunc<trigfuncs>(name);
  if (func == nullptr) return NOSUCHFUNC;
  double angle;  // (read first, so that the unit need not be kept across a call)
  if (!readinto(argv[0], angle)) return BADARGS;
  const unit from = unitof(options, &argv[1]);
  if (from == NOUNIT) return BADARGS;
  const double r = func(product(angle, TOANGLE[from]));  // (first: nothing else need be kept across the call)
  return fmtresult(*out, r, options, &argv[1]);
}

extern "C" APIRET calcarc(PCSZ name, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 1 || argc > 3) return BADARGS;
  const ULONG options = argc - 1;  // precision and unit
  const resultslot out = result;
  const mathroutine func = findfunc<arcfuncs>(name);
  if (func == nullptr) return NOSUCHFUNC;
  double value;
  if (!readinto(argv[0], value)) return BADARGS;
  const double r = func(value);
  const unit to = unitof(options, &argv[1]);
  if (to == NOUNIT) return BADARGS;
  return fmtresult(*out, product(r, FROMANGLE[to]), options, &argv[1]);
}
