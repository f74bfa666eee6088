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

// The factor for each unit letter from d to r, folded to lower case: d, g
// and r name one, every other letter none (0).
struct units {
  double factor[15];
};
constexpr units unitsof(double degrees, double grads) {
  units u{};
  u.factor['d' - 'd'] = degrees;
  u.factor['g' - 'd'] = grads;
  u.factor['r' - 'd'] = 1.0;
  return u;
}
constexpr units TOANGLE = unitsof(DEGTORAD, GRADTORAD), FROMANGLE = unitsof(RADTODEG, RADTOGRAD);

// The factor for the unit, the second of `count` options after the first
// argument (degrees when none is given, or when it is omitted or empty), 1
// for radians, 0 for an unknown unit. Folding the case bit leaves only
// letters between d and r.
double unitfactor(ULONG count, const RXSTRING *options, const units &table) {
  if (count < 2 || options[1].strptr == nullptr || options[1].strlength == 0) return table.factor[0];
  const unsigned letter = (static_cast<unsigned char>(options[1].strptr[0]) | 0x20u) - 'd';
  return letter < 15 ? table.factor[letter] : 0.0;
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
  const mathentry *row = findfunc<trigfuncs>(name);
  if (row == nullptr) return NOSUCHFUNC;
  const mathroutine func = row->func;
  const double factor = unitfactor(options, &argv[1], TOANGLE);
  if (factor == 0.0) return BADARGS;
  double angle;
  if (!readinto(argv[0], angle)) return BADARGS;
  return fmtresult(*result, func(product(angle, factor)), options, &argv[1]);
}

extern "C" APIRET calcarc(PCSZ name, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 1 || argc > 3) return BADARGS;
  const ULONG options = argc - 1;  // precision and unit
  const mathentry *row = findfunc<arcfuncs>(name);
  if (row == nullptr) return NOSUCHFUNC;
  const mathroutine func = row->func;
  double value;
  if (!readinto(argv[0], value)) return BADARGS;
  const double r = func(value);
  const double factor = unitfactor(options, &argv[1], FROMANGLE);
  if (factor == 0.0) return BADARGS;
  return fmtresult(*result, product(r, factor), options, &argv[1]);
}
