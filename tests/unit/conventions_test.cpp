#include "standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <locale.h>

using standin::call;
using standin::runtime;

namespace {

std::string printg(int digits, double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, v);
  return text;
}

TEST(Precision, IsReadByAtoiRulesAndCappedAtSixteen) {
  struct row {
    standin::arg precision;
    int digits;  // what "%.*g" should be given
  };
  const row rows[] = {
      {std::nullopt, 16}, {"20", 16},  {"16", 16},  {"5", 5},     {"0", 0},   {"abc", 0},
      {"", 0},            {"-3", -3},  {"7.9", 7},  {" +5x", 5},  {"\t 3", 3}, {"99999999999", 16},
      {"-99999999999", -1}, {"2147483647", 16}, {"-2147483648", -1}, {"- 5", 0}, {std::string("1\0" "2", 3), 1},
      {"05", 5},          {"00", 0},   {"9", 9},    {"17", 16},   {"5.", 5},  {"1x", 1},
  };
  for (const row &r : rows) {
    auto out = call(calcunary, "rxcalcsqrt", {"2", r.precision});
    EXPECT_EQ(out.rc, 0u);
    EXPECT_EQ(out.text, printg(r.digits, std::sqrt(2.0))) << (r.precision ? *r.precision : "(omitted)");
    EXPECT_TRUE(out.nulafter);
  }
}

TEST(Reading, MatchesAtofInTheCLocale) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows' C runtime is no reference for the reading rules; rexx.samelines compares with Linux";
#endif
  const char *texts[] = {"2",      "  12abc", "abc",     "",        "1e3",        "-0",        "+.5",   ".",
                         "-.",     "1e",      "1e+",     "0x1p3",   "-0X1.8p1",   "0x",        "inf",   "-Infinity",
                         "nan",    "-nan",    "nan(12)", "1e400",   "-1e400",     "1e-400",    "4.9e-324", "\v\f\r\n 7", "-0x-c", "0x-1p3", "0xnan1p3", "0xinf", "0x1p+-339", "0x1.8p-+3", "1e+-3",
                         "1,5",    "1_000",   "00012",   "0.1e1x",  "+-3",        "1.7976931348623158e308",
                         "123456789012345678901234567890", "0.000000000000000000000000000001e30",
                         "18446744073709551617", "1844674407370955161.7", "9007199254740993", "0.529113",
                         "5.", ".5", "0.5", "1.2.3", "..5", "12.5x", "12x.5",
                         // 16 digits just above 2^53, where digits / 10^k is no longer exact
                         "9.090111628771871", "99180.10360366969", " 99180.10360366969", "9675405068.658365"};
  for (const char *text : texts) {
    double want = std::strtod(text, nullptr);  // the test process runs in the C locale
    double got = 0;
    EXPECT_TRUE(readinto(RXSTRING{static_cast<ULONG>(std::strlen(text)), const_cast<char *>(text)}, got));
    EXPECT_EQ(std::memcmp(&want, &got, sizeof want) == 0 || (std::isnan(want) && std::isnan(got) &&
                                                                 std::signbit(want) == std::signbit(got)),
              true)
        << '"' << text << "\" read as " << got << ", atof gives " << want;
  }
}

TEST(Reading, ValueArgumentsReachTheRoutine) {
  struct row {
    standin::arg value;
    double read;
  };
  const row rows[] = {{"  12abc", 12}, {"abc", 0}, {"", 0}, {std::nullopt, 0}, {"1e3", 1000},
                      {std::string("4\0" "9", 3), 4}, {std::string(100, ' ') + "2", 2}};
  for (const row &r : rows) {
    auto out = call(calcunary, "rxcalcexp", {r.value});
    EXPECT_EQ(out.text, printg(16, std::exp(r.read)));
  }
}

TEST(Formatting, DropsTrailingZerosAndUsesExponentsAsPrintfDoes) {
  struct row {
    const char *name, *value, *precision;
    std::string text;
  };
  const row rows[] = {
      {"rxcalcsqrt", "900", nullptr, "30"},          {"rxcalcsqrt", "1e-10", nullptr, "1e-05"},
      {"rxcalcexp", "100", nullptr, "2.688117141816136e+43"}, {"rxcalcexp", "1000", nullptr, "inf"},
      {"rxcalcsqrt", "-1", nullptr, "-nan"},          {"rxcalclog", "0", nullptr, "-inf"},
      {"rxcalcsqrt", "1e32", "3", "1e+16"},           {"rxcalcexp", "-800", nullptr, "0"},
      {"rxcalcsqrt", "1e-320", nullptr, "9.99994433575849e-161"}, {"rxcalcsinh", "-710", nullptr, printg(16, std::sinh(runtime(-710)))},
  };
  for (const row &r : rows) {
    std::vector<standin::arg> args{r.value};
    if (r.precision) args.push_back(r.precision);
    auto out = call(calcunary, r.name, args);
    EXPECT_EQ(standin::unsignednan(out.text), standin::unsignednan(r.text)) << r.name << '(' << r.value << ')';
  }
}

// Every precision from 1 to 16, every count of trailing zeros in the digits
// the precision keeps, and every decimal exponent where the notation changes
// and a little beyond, with both signs: the digits 1234567890123456 and the
// 9s that carry into a new digit when rounded.
TEST(Formatting, EveryPrecisionZeroCountAndNotationAsPrintfDoes) {
  for (const char *digits : {"1234567890123456", "9999999999999999", "1000000000000001"})
    for (int zeros = 0; zeros < 16; ++zeros)
      for (int exponent = -24; exponent <= 18; ++exponent) {
        std::string text = std::string("-") + digits[0] + "." + std::string(digits + 1, 15 - zeros) +
                           std::string(zeros, '0') + "e" + std::to_string(exponent);
        for (const char *number : {text.c_str(), text.c_str() + 1}) {
          const double v = std::strtod(number, nullptr);
          for (int precision = 1; precision <= 17; ++precision) {  // 17: none given, the default 16
            std::string prec = std::to_string(precision);
            RXSTRING precarg{static_cast<ULONG>(prec.size()), prec.data()};
            char buffer[256];
            RXSTRING result{sizeof buffer, buffer};
            ASSERT_EQ(fmtresult(result, v, precision <= 16, &precarg), 0u);
            ASSERT_EQ(std::string(result.strptr, result.strlength), printg(std::min(precision, 16), v))
                << number << ", " << prec;
          }
        }
      }
}

// The rounding's cases: a fraction above or below a half, a product with
// no fraction, and an exact half, which goes to the even digit either way,
// with the default precision and with one given.
TEST(Formatting, RoundsExactHalvesToTheEvenDigit) {
  const struct {
    double value;
    int precision;
  } cases[] = {{2.5, 1},     {3.5, 1},     {0.125, 2},   {0.375, 2},           {1234567.5, 7},
               {1234568.5, 7}, {8.0, 16},  {0.75, 16},   {1125899906842624.5, 16}, {1125899906842625.5, 16},
               {2.5000000000000004, 1}, {2.4999999999999996, 1}};
  for (const auto &c : cases)
    for (const double v : {c.value, -c.value}) {
      std::string prec = std::to_string(c.precision);
      RXSTRING precarg{static_cast<ULONG>(prec.size()), prec.data()};
      char buffer[256];
      RXSTRING result{sizeof buffer, buffer};
      ASSERT_EQ(fmtresult(result, v, c.precision < 16, &precarg), 0u);
      EXPECT_EQ(std::string(result.strptr, result.strlength), printg(c.precision, v)) << v << ", " << prec;
    }
}

TEST(Formatting, StaysByteForByteWithPrintfInADecimalCommaLocale) {
  // Any comma locale will do; skip where none is generated.
  const char *names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "C.UTF-8"};
  const char *chosen = nullptr;
  for (const char *name : names)
    if (std::setlocale(LC_ALL, name) && *std::localeconv()->decimal_point == ',') {
      chosen = name;
      break;
    }
  if (chosen == nullptr) {
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no decimal-comma locale is generated on this machine";
  }
  auto half = call(calcunary, "rxcalcsqrt", {"0.25"});
  auto hex = call(calcunary, "rxcalcsqrt", {"0x1.2p3"});
  auto inf = call(calcunary, "rxcalcexp", {"1e400"});
  // Far from 1 and below the normal range, the general formatter writes the text.
  auto tiny = call(calcunary, "rxcalcexp", {"-700"});
  auto subnormal = call(calcunary, "rxcalcexp", {"-740"});
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(tiny.text, printg(16, std::exp(runtime(-700)))) << chosen;
  EXPECT_EQ(subnormal.text, printg(16, std::exp(runtime(-740)))) << chosen;
  EXPECT_EQ(half.text, "0.5") << chosen;
  EXPECT_EQ(hex.text, "3") << chosen;
  EXPECT_EQ(inf.text, "inf") << chosen;
}

TEST(Failures, LeaveTheResultUntouched) {
  struct row {
    RexxFunctionHandler *handler;
    const char *name;
    std::vector<standin::arg> args;
    APIRET rc;
  };
  const std::vector<row> rows = {
      {calcunary, "rxcalcsqrt", {}, BADARGS},
      {calcunary, "rxcalcsqrt", {"1", "2", "3"}, BADARGS},
      {calcunary, "rxcalcnope", {"1", "2", "3"}, BADARGS},  // the count is checked first
      {calcunary, "rxcalcnope", {"1"}, NOSUCHFUNC},
      {calcunary, "rxcalcsin", {"1"}, NOSUCHFUNC},  // another family's name
      {calcunary, "", {"1"}, NOSUCHFUNC},
      {calcunary, "rxcalcsqrt ", {"1"}, NOSUCHFUNC},
      {calcunary, "rxcalcsqr", {"1"}, NOSUCHFUNC},
      {calcunary, "rxcalcsqrtt", {"1"}, NOSUCHFUNC},
      {calcunary, "qxcalcsqrt", {"1"}, NOSUCHFUNC},        // a row's last eight bytes, other first ones
      {calcunary, "rxcalclog\x11" "0", {"1"}, NOSUCHFUNC},  // log10 but for the case bit of its digit 1
      {calcunary, "rxcalcexcalcexp", {"1"}, NOSUCHFUNC},  // rxcalcexp's first and last eight bytes, 15 long
      {calcunary, "QXCALCSQRT", {"1"}, NOSUCHFUNC},         // and in the interpreter's upper case
      {calcunary, "RXCALCLOG\x11" "0", {"1"}, NOSUCHFUNC},
  };
  for (const row &r : rows) {
    auto out = call(r.handler, r.name, r.args);
    EXPECT_EQ(out.rc, r.rc) << r.name << " with " << r.args.size();
    EXPECT_TRUE(out.untouched) << r.name << " with " << r.args.size();
  }
}

TEST(Lookup, IgnoresCaseBothWays) {
  for (const char *name : {"rxcalcsqrt", "RXCALCSQRT", "RxCalcSqrt", "rXcAlCsQrT"}) {
    auto out = call(calcunary, name, {"16"});
    EXPECT_EQ(out.rc, 0u) << name;
    EXPECT_EQ(out.text, "4") << name;
  }
  // Each name reaches its own row: the seven routines differ at 0.5.
  for (const mathentry &row : unaryfuncs) EXPECT_EQ(call(calcunary, row.name, {"0.5"}).text, printg(16, row.func(0.5)));
  for (const mathentry &row : trigfuncs)
    EXPECT_EQ(call(calctrig, row.name, {"0.5", "16", "R"}).text, printg(16, row.func(0.5)));
  for (const mathentry &row : arcfuncs)
    EXPECT_EQ(call(calcarc, row.name, {"0.5", "16", "R"}).text, printg(16, row.func(0.5)));
}

// A name at a 16-byte boundary, as the interpreter passes it, is measured
// by one compare of its block, where the bytes after its NUL, or a block
// with no NUL, must change nothing; anywhere else by strlen.
TEST(Lookup, AnswersAlikeWhereverTheNameLies) {
  alignas(16) char block[48];
  for (const char *name : {"RXCALCSQRT", "rxcalcsqrt", "RXCALCSQR", "RXCALCSQRTT", "", "RXCALCEXCALCEXP",
                           "RXCALCSQRTSQRTSQ", "RXCALCSQRTSQRTSQRT"}) {
    const bool known = std::strcmp(name, "RXCALCSQRT") == 0 || std::strcmp(name, "rxcalcsqrt") == 0;
    for (std::size_t offset : {0, 1, 8, 16}) {
      std::memset(block, 'X', sizeof block);
      std::strcpy(block + offset, name);
      auto out = call(calcunary, block + offset, {"16"});
      EXPECT_EQ(out.rc, known ? 0u : NOSUCHFUNC) << name << " at " << offset;
      EXPECT_TRUE(known ? out.text == "4" : out.untouched) << name << " at " << offset;
    }
  }
}

TEST(Result, ComesFromTheHostWhenItsBufferIsTooSmall) {
  standin::reset();
  auto big = call(calcunary, "rxcalcexp", {"100"}, 24);  // 21 characters and a NUL fit
  EXPECT_TRUE(big.ownbuffer);
  EXPECT_EQ(standin::allocations, 0);
  auto tiny = call(calcunary, "rxcalcexp", {"100"}, 4);
  EXPECT_FALSE(tiny.ownbuffer);
  EXPECT_EQ(standin::allocations, 1);
  EXPECT_EQ(tiny.text, "2.688117141816136e+43");
  EXPECT_TRUE(tiny.nulafter);
  auto none = call(mathloadfuncs, "mathloadfuncs", {}, 0);
  EXPECT_EQ(none.text, "0");
  EXPECT_EQ(standin::allocations, 2);
  EXPECT_EQ(call(calcunary, "rxcalcexp", {"100", "5"}, 4).text, "2.6881e+43");  // the precision goes along
}

TEST(Result, FailsUntouchedWhenTheHostHasNoMemory) {
  standin::failallocation = true;
  auto exp = call(calcunary, "rxcalcexp", {"100"}, 4);
  auto pi = call(rxcalcpi, "rxcalcpi", {}, 4);
  auto load = call(mathloadfuncs, "mathloadfuncs", {}, 0);
  standin::failallocation = false;
  for (const auto &out : {exp, pi, load}) {
    EXPECT_EQ(out.rc, BADARGS);
    EXPECT_TRUE(out.untouched);
  }
}

TEST(Arguments, LongTextsAreReadWhole) {
  std::string blanks(1 << 20, ' ');
  EXPECT_EQ(call(calcunary, "rxcalcsqrt", {blanks + "4"}).text, "2");
  std::string big = "1" + std::string(400, '0');
  EXPECT_EQ(call(calcunary, "rxcalclog10", {big}).text, "inf");
  std::string fraction = "0." + std::string(1000, '0') + "1e1003";
  EXPECT_EQ(call(calcunary, "rxcalcsqrt", {fraction}).text, "10");
  // Out of range either way: the zeros after the point count against the exponent.
  EXPECT_EQ(call(calcunary, "rxcalcsqrt", {"0." + std::string(500, '0') + "1e100"}).text, "0");
  EXPECT_EQ(call(calcunary, "rxcalcsqrt", {"0." + std::string(100, '0') + "1e500"}).text, "inf");
}

}  // namespace

// Scratch space for long arguments can run out: the call then fails cleanly.
namespace {
bool failnew = false;
}

void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  if (failnew) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}

namespace {

TEST(Arguments, AFailedCopyFailsTheCallAndLeavesTheResultUntouched) {
  std::string longtext = std::string(1000, ' ') + "0x1p3";  // the C library reads this from a copy
  failnew = true;
  auto unary = call(calcunary, "rxcalcsqrt", {longtext});
  auto trig = call(calctrig, "rxcalcsin", {longtext});
  auto arc = call(calcarc, "rxcalcarctan", {longtext});
  auto power = call(rxcalcpower, "rxcalcpower", {"2", longtext});
  auto shorttext = call(calcunary, "rxcalcsqrt", {"4"});  // needs no heap
  failnew = false;
  for (const auto &out : {unary, trig, arc, power}) {
    EXPECT_NE(out.rc, 0u);
    EXPECT_TRUE(out.untouched);
  }
  EXPECT_EQ(shorttext.text, "2");
  EXPECT_EQ(call(calcunary, "rxcalcsqrt", {longtext}).text, "2.82842712474619");
}

}  // namespace
