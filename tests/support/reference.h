// What each function must answer, computed the plain way with the C library
// (strtod, strtol, snprintf "%.*g") as an oracle for the package's own
// faster reading and formatting.
#pragma once

#include "standin.h"

namespace reference {

struct answer {
  APIRET rc;
  std::string text;  // meaningful when rc is 0
};

// The handler each registered name is bound to, as a family.
enum class family { load, drop, pi, power, unary, trig, arc };

answer expect(family f, const std::string &calledname, const std::vector<standin::arg> &args);

// atof and atoi in the C locale (atoi saturating instead of overflowing).
double atofc(const std::string &text);
int atoic(const std::string &text);

// snprintf "%.*g" in the C locale.
std::string printg(int digits, double value);

}  // namespace reference
