// The two functions with argument shapes of their own: power and pi.
#include "qirven.h"

#include <math.h>

namespace {
// Cut, never rounded: at most the first 17 characters are ever returned.
constexpr char PITEXT[] = "3.141592653589793238462643383279502884197169399375";

// Arguments that are not plain, read in full: out of line, so that the
// common path keeps nothing across a call but the result and the precision.
[[gnu::cold, gnu::noinline]] APIRET powergeneral(ULONG argc, PRXSTRING argv, PRXSTRING result) {
  double base, exponent;
  if (!readinto(argv[0], base) || !readinto(argv[1], exponent)) return BADARGS;
  return fmtresult(*result, pow(base, exponent), argc - 2, &argv[2]);
}
}  // namespace

// rxcalcpower(base, exponent [, precision])
extern "C" APIRET rxcalcpower(PCSZ, ULONG argc, PRXSTRING argv, PCSZ, PRXSTRING result) {
  if (argc < 2 || argc > 3) return BADARGS;
  double base, exponent;
  // (the exponent first: the base, read last, is then read into the
  // register the routine takes it in)
  if (!readplain(argv[1], exponent) || !readplain(argv[0], base)) return powergeneral(argc, argv, result);
  const resultslot out = result;
  // (the precision's argument found before the call, so that only it is kept)
  const RXSTRING *const precarg = argc == 3 && argv[2].strptr != nullptr ? &argv[2] : nullptr;
  const double r = pow(base, exponent);
  if (precarg == nullptr) return fmtsixteen(*out, r);
  return fmtprecision(*out, r, *precarg);
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
