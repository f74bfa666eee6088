// The single-argument functions: name(value [, precision]).
#include "findfunc.h"

#include <math.h>

// Sorted by case-insensitive name, as the registration order shows them.
constexpr mathentry unaryfuncs[7] = {
    {"rxcalccosh", ::cosh}, {"rxcalcexp", ::exp},   {"rxcalclog", ::log},   {"rxcalclog10", ::log10},
    {"rxcalcsinh", ::sinh}, {"rxcalcsqrt", ::sqrt}, {"rxcalctanh", ::tanh},
};

extern "C" APIRET calcunary(PCSZ name, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 1 || argc > 2) return BADARGS;
  const resultslot out = result;
  const mathroutine func = findfunc<unaryfuncs>(name);
  if (func == nullptr) return NOSUCHFUNC;
  double value;
  if (!readinto(argv[0], value)) return BADARGS;
  const double r = func(value);  // (first: nothing else need be kept across the call)
  return fmtresult(*out, r, argc - 1, &argv[1]);
}
