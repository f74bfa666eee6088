#include "reference.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace reference {

namespace {

locale_t clocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}

std::string cut(const standin::arg &a) {  // the text up to its first NUL; "" when omitted
  return a ? std::string(a->c_str()) : std::string();
}

std::string lower(std::string s) {
  for (char &c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

struct routine {
  const char *name;
  double (*f)(double);
};
const routine unary[] = {{"rxcalccosh", ::cosh}, {"rxcalcexp", ::exp},   {"rxcalclog", ::log},
                         {"rxcalclog10", ::log10}, {"rxcalcsinh", ::sinh}, {"rxcalcsqrt", ::sqrt},
                         {"rxcalctanh", ::tanh}};
double cotan(double x) { return std::cos(x) / std::sin(x); }
const routine trig[] = {{"rxcalccos", ::cos}, {"rxcalccotan", cotan}, {"rxcalcsin", ::sin}, {"rxcalctan", ::tan}};
const routine arc[] = {{"rxcalcarccos", ::acos}, {"rxcalcarcsin", ::asin}, {"rxcalcarctan", ::atan}};

template <std::size_t N>
const routine *find(const routine (&table)[N], const std::string &name) {
  std::string key = lower(std::string(name.c_str()));
  for (const routine &r : table)
    if (key == r.name) return &r;
  return nullptr;
}

answer format(double value, const std::vector<standin::arg> &args, std::size_t precpos) {
  int digits = 16;
  if (args.size() > precpos && args[precpos]) digits = std::min(atoic(cut(args[precpos])), 16);
  return {0, printg(digits, value)};
}

// Factor for the unit argument: 0 for a bad unit.
double unit(const std::vector<standin::arg> &args, double deg, double grad) {
  if (args.size() < 3 || !args[2] || args[2]->empty()) return deg;
  switch ((*args[2])[0]) {
    case 'D': case 'd': return deg;
    case 'G': case 'g': return grad;
    case 'R': case 'r': return 1;
    default: return 0;
  }
}

}  // namespace

double atofc(const std::string &text) { return strtod_l(text.c_str(), nullptr, clocale()); }

int atoic(const std::string &text) {
  errno = 0;
  long v = strtol_l(text.c_str(), nullptr, 10, clocale());
  return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

std::string printg(int digits, double value) {
  locale_t old = uselocale(clocale());
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  uselocale(old);
  return text;
}

answer expect(family f, const std::string &name, const std::vector<standin::arg> &args) {
  const std::size_t n = args.size();
  switch (f) {
    case family::load: return {0, "0"};
    case family::drop: return n > 0 ? answer{BADARGS, {}} : answer{0, "0"};
    case family::pi: {
      if (n > 1) return {BADARGS, {}};
      int p = n == 0 ? 16 : std::min(atoic(cut(args[0])), 16);
      return {0, p < -1 ? "" : std::string("3.141592653589793238462643383279502884197169399375", static_cast<std::size_t>(p + 1))};
    }
    case family::power:
      if (n < 2 || n > 3) return {BADARGS, {}};
      return format(std::pow(atofc(cut(args[0])), atofc(cut(args[1]))), args, 2);
    case family::unary: {
      if (n < 1 || n > 2) return {BADARGS, {}};
      const routine *r = find(unary, name);
      if (!r) return {NOSUCHFUNC, {}};
      return format(r->f(atofc(cut(args[0]))), args, 1);
    }
    case family::trig: {
      if (n < 1 || n > 3) return {BADARGS, {}};
      const routine *r = find(trig, name);
      if (!r) return {NOSUCHFUNC, {}};
      double factor = unit(args, 0.017453292519943295, 0.015707963267948967);
      if (factor == 0) return {BADARGS, {}};
      return format(r->f(std::fma(atofc(cut(args[0])), factor, -0.0)), args, 1);  // one rounding
    }
    case family::arc: {
      if (n < 1 || n > 3) return {BADARGS, {}};
      const routine *r = find(arc, name);
      if (!r) return {NOSUCHFUNC, {}};
      double factor = unit(args, 57.29577951308232, 63.66197723675813);
      if (factor == 0) return {BADARGS, {}};
      return format(std::fma(r->f(atofc(cut(args[0]))), factor, -0.0), args, 1);
    }
  }
  return {BADARGS, {}};
}

}  // namespace reference
