// The two functions with argument shapes of their own: power and pi.
#include "qirven.h"

#include <math.h>

namespace {
// Cut, never rounded: at most the first 17 characters are ever returned.
constexpr char PITEXT[] = "3.141592653589793238462643383279502884197169399375";
}

// rxcalcpower(base, exponent [, precision])
extern "C" APIRET rxcalcpower(PCSZ, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 2 || argc > 3) return BADARGS;
  const resultslot out = result;
  double base, exponent;
  // (the exponent first: the base, read last, is then read into the
  // register the routine takes it in)
  if (!readinto(argv[1], exponent) || !readinto(argv[0], base)) return BADARGS;
  const double r = pow(base, exponent);  // (first: nothing else need be kept across the call)
  return fmtresult(*out, r, argc - 2, &argv[2]);
}

// rxcalcpi([precision]): the first precision + 1 characters of pi, the
// decimal point counted; an omitted precision here reads as 0.
extern "C" APIRET rxcalcpi(PCSZ, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc > 1) return BADARGS;
  int digits = argc == 0 ? MAXDIGITS : readint(argv[0]);
  if (digits > MAXDIGITS) digits = MAXDIGITS;
  std::size_t len = digits < -1 ? 0 : static_cast<std::size_t>(digits + 1);  // below -1: empty
  return puttext(*result, PITEXT, len);
}
