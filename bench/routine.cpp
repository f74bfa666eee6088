// The C library's routine behind a package call, counted alone by callgrind:
// the table row's routine called through its pointer on the value the call
// reads, with the package's angle conversion (one product) where the call
// has one, N times in a loop.
//   routine N NAME [ARG...]   the call's arguments; an empty one when omitted
//   routine N                 the same loop with no routine: what the loop costs
#include "qirven.h"

#include <math.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The package's factors (calc/angles.cpp): the doubles nearest pi/180, pi/200,
// 180/pi and 200/pi.
constexpr double DEGTORAD = 0.017453292519943295, GRADTORAD = 0.015707963267948967;
constexpr double RADTODEG = 57.29577951308232, RADTOGRAD = 63.66197723675813;

volatile double sink;

template <std::size_t N>
mathroutine rowof(const mathentry (&table)[N], const std::string &name) {
  for (const mathentry &row : table)
    if (name == row.name) return row.func;
  return nullptr;
}

// before * value, routine, times after; a null routine is not called.
[[gnu::noinline]] void repeat(long n, mathroutine routine, double value, double before, double after) {
  for (long i = 0; i < n; ++i) sink = routine ? routine(value * before) * after : value * before * after;
}
[[gnu::noinline]] void repeatpow(long n, double base, double exponent) {
  for (long i = 0; i < n; ++i) sink = pow(base, exponent);
}

}  // namespace

int main(int argc, char **argv) {
  const long n = std::atol(argv[1]);
  if (argc < 3) {
    repeat(n, nullptr, 2.0, 1.0, 1.0);
    return 0;
  }
  std::string name = argv[2];
  for (char &c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const double value = argc > 3 ? std::atof(argv[3]) : 0.0;
  const char unit = argc > 5 && argv[5][0] ? static_cast<char>(std::tolower(argv[5][0])) : 'd';
  if (name == "rxcalcpower") {
    repeatpow(n, value, std::atof(argv[4]));
  } else if (mathroutine f = rowof(trigfuncs, name)) {  // the product before the routine, as calctrig has it
    repeat(n, f, value, unit == 'r' ? 1.0 : unit == 'g' ? GRADTORAD : DEGTORAD, 1.0);
  } else if (mathroutine g = rowof(arcfuncs, name)) {  // and after it, as calcarc has it
    repeat(n, g, value, 1.0, unit == 'r' ? 1.0 : unit == 'g' ? RADTOGRAD : RADTODEG);
  } else if (mathroutine h = rowof(unaryfuncs, name)) {
    repeat(n, h, value, 1.0, 1.0);
  } else {
    return 1;  // rxcalcpi has no routine: it cuts a stored text
  }
  return 0;
}
