#include "standin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using standin::call;
using standin::runtime;

namespace {

std::string g16(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.16g", v);
  return text;
}

struct row {
  RexxFunctionHandler *handler;
  const char *name;
  std::vector<standin::arg> args;
  std::string text;
};

void expectall(const std::vector<row> &rows) {
  for (const row &r : rows) {
    auto out = call(r.handler, r.name, r.args);
    std::string shown = r.name;
    for (const auto &a : r.args) shown += a ? " [" + *a + "]" : " (omitted)";
    EXPECT_EQ(out.rc, 0u) << shown;
    EXPECT_EQ(standin::unsignednan(out.text), standin::unsignednan(r.text)) << shown;
  }
}

TEST(Unary, EachRowAppliesItsRoutine) {
  const double x = runtime(0.75);
  expectall({
      {calcunary, "rxcalccosh", {"0.75"}, g16(std::cosh(x))},
      {calcunary, "rxcalcexp", {"0.75"}, g16(std::exp(x))},
      {calcunary, "rxcalclog", {"0.75"}, g16(std::log(x))},
      {calcunary, "rxcalclog10", {"0.75"}, g16(std::log10(x))},
      {calcunary, "rxcalcsinh", {"0.75"}, g16(std::sinh(x))},
      {calcunary, "rxcalcsqrt", {"0.75"}, g16(std::sqrt(x))},
      {calcunary, "rxcalctanh", {"0.75"}, g16(std::tanh(x))},
      {calcunary, "rxcalcsqrt", {"2"}, "1.414213562373095"},
      {calcunary, "rxcalcsqrt", {"2", "5"}, "1.4142"},
      {calcunary, "rxcalclog", {"1"}, "0"},
      {calcunary, "rxcalclog10", {"1"}, "0"},
      {calcunary, "rxcalcexp", {"0"}, "1"},
      {calcunary, "rxcalclog", {std::nullopt, "5"}, "-inf"},
      {calcunary, "rxcalccosh", {"abc"}, "1"},
      {calcunary, "rxcalcsqrt", {"-4"}, "-nan"},
      {calcunary, "rxcalclog", {"-1"}, "-nan"},
      {calcunary, "rxcalccosh", {"1000"}, "inf"},
      {calcunary, "rxcalcsinh", {"-1000"}, "-inf"},
  });
}

TEST(Angles, UnitsAndDefaults) {
  expectall({
      {calctrig, "rxcalcsin", {"30"}, "0.4999999999999999"},
      {calctrig, "rxcalcsin", {"30", "15"}, "0.5"},
      {calctrig, "rxcalccos", {"0"}, "1"},
      {calctrig, "rxcalccos", {"0", std::nullopt, "G"}, "1"},
      {calctrig, "rxcalccos", {"0", std::nullopt, "r"}, "1"},
      {calctrig, "rxcalcsin", {"100", std::nullopt, "G"}, "1"},
      {calctrig, "rxcalcsin", {"100", std::nullopt, "grads"}, "1"},
      {calctrig, "rxcalcsin", {"1.5707963267948966", std::nullopt, "R"}, "1"},
      {calctrig, "rxcalcsin", {"90", std::nullopt, "Degrees"}, "1"},
      {calctrig, "rxcalcsin", {"90", std::nullopt, std::nullopt}, "1"},  // counted but omitted: degrees
      {calctrig, "rxcalcsin", {"90", std::nullopt, ""}, "1"},            // empty: degrees
      {calctrig, "rxcalctan", {"45", "10"}, "1"},
      {calctrig, "rxcalctan", {"90"}, g16(std::tan(90 * 0.017453292519943295))},
      {calctrig, "rxcalccotan", {"0"}, "inf"},
      {calctrig, "rxcalccotan", {"-0"}, "-inf"},
      {calctrig, "rxcalccotan", {"45", "12"}, "1"},
      {calctrig, "RXCALCCOTAN", {"1", std::nullopt, "R"}, g16(std::cos(1.0) / std::sin(1.0))},
      // Large angles and 16 digits show a unit factor one unit in the last place off.
      {calctrig, "rxcalcsin", {"1e15", std::nullopt, "G"}, g16(std::sin(std::fma(runtime(1e15), 0.015707963267948967, -0.0)))},
      {calctrig, "rxcalcsin", {"1e15"}, g16(std::sin(std::fma(runtime(1e15), 0.017453292519943295, -0.0)))},
      {calcarc, "rxcalcarcsin", {"0.1", std::nullopt, "G"}, g16(std::fma(std::asin(runtime(0.1)), 63.66197723675813, -0.0))},
      {calcarc, "rxcalcarcsin", {"0.1"}, g16(std::fma(std::asin(runtime(0.1)), 57.29577951308232, -0.0))},
      // Products that x87 extended precision would round twice.
      {calctrig, "rxcalcsin", {"29.646"}, g16(std::sin(std::fma(runtime(29.646), 0.017453292519943295, -0.0)))},
      {calctrig, "rxcalcsin", {"75.619", std::nullopt, "G"}, g16(std::sin(std::fma(runtime(75.619), 0.015707963267948967, -0.0)))},
      {calcarc, "rxcalcarcsin", {"0.81828"}, g16(std::fma(std::asin(runtime(0.81828)), 57.29577951308232, -0.0))},
      {calcarc, "rxcalcarcsin", {"0.610215", std::nullopt, "G"}, g16(std::fma(std::asin(runtime(0.610215)), 63.66197723675813, -0.0))},
      {calcarc, "rxcalcarctan", {"1"}, "45"},
      {calcarc, "rxcalcarctan", {"1", std::nullopt, "G"}, "50"},
      {calcarc, "rxcalcarctan", {"1", std::nullopt, "R"}, g16(std::atan(1.0))},
      {calcarc, "rxcalcarcsin", {"0.5"}, "30"},
      {calcarc, "rxcalcarccos", {"0", "", "d"}, "9e+01"},
      {calcarc, "rxcalcarccos", {"2"}, "nan"},
      {calcarc, "rxcalcarcsin", {"-1", std::nullopt, "g"}, "-100"},
  });
}

TEST(Angles, BadUnitsCountsAndNames) {
  struct bad {
    RexxFunctionHandler *handler;
    const char *name;
    std::vector<standin::arg> args;
    APIRET rc;
  };
  const std::vector<bad> rows = {
      {calctrig, "rxcalcsin", {"1", "2", "X"}, BADARGS},
      {calctrig, "rxcalcsin", {"1", "2", " D"}, BADARGS},
      {calcarc, "rxcalcarcsin", {"1", "2", "x"}, BADARGS},  // its routine has run already
      {calcarc, "rxcalcarcsin", {"1", "2", std::string(1, '\0')}, BADARGS},
      {calctrig, "rxcalcsin", {}, BADARGS},
      {calctrig, "rxcalcsin", {"1", "2", "D", "4"}, BADARGS},
      {calcarc, "rxcalcarctan", {"1", "2", "D", "4"}, BADARGS},
      {calctrig, "rxcalcnone", {"1", "2", "D", "4"}, BADARGS},  // count before name
      {calctrig, "rxcalcnone", {"1", "2", "X"}, NOSUCHFUNC},    // name before unit
      {calcarc, "rxcalcsin", {"1"}, NOSUCHFUNC},
      {calctrig, "rxcalcarcsin", {"1"}, NOSUCHFUNC},
  };
  for (const bad &r : rows) {
    auto out = call(r.handler, r.name, r.args);
    EXPECT_EQ(out.rc, r.rc) << r.name << " with " << r.args.size();
    EXPECT_TRUE(out.untouched) << r.name << " with " << r.args.size();
  }
}

TEST(Power, ReadsBaseExponentAndThirdArgumentPrecision) {
  expectall({
      {rxcalcpower, "RXCALCPOWER", {"2", "8"}, "256"},
      {rxcalcpower, "whatever", {"2", "0.5"}, "1.414213562373095"},
      {rxcalcpower, "rxcalcpower", {"2", "0.5", "3"}, "1.41"},
      {rxcalcpower, "rxcalcpower", {"-8", "0.5"}, "-nan"},
      {rxcalcpower, "rxcalcpower", {"0", "-1"}, "inf"},
      {rxcalcpower, "rxcalcpower", {"10", "400"}, "inf"},
      {rxcalcpower, "rxcalcpower", {"2", std::nullopt, "3"}, "1"},
      {rxcalcpower, "rxcalcpower", {"1.05", "10", std::nullopt}, g16(std::pow(1.05, 10))},
  });
  for (const auto &args : std::vector<std::vector<standin::arg>>{{}, {"2"}, {"2", "8", "3", "4"}}) {
    auto out = call(rxcalcpower, "rxcalcpower", args);
    EXPECT_EQ(out.rc, BADARGS);
    EXPECT_TRUE(out.untouched);
  }
}

TEST(Pi, IsCutNeverRoundedAndHasNoNul) {
  struct cut {
    std::vector<standin::arg> args;
    std::string text;
  };
  const cut rows[] = {
      {{}, "3.141592653589793"},  {{"30"}, "3.141592653589793"}, {{"16"}, "3.141592653589793"},
      {{"15"}, "3.14159265358979"}, {{"5"}, "3.1415"},           {{"4"}, "3.141"},
      {{"2"}, "3.1"},             {{"1"}, "3."},                 {{"0"}, "3"},
      {{"-1"}, ""},               {{"-2"}, ""},                  {{"-99999999999"}, ""},
      {{std::nullopt}, "3"},      {{"abc"}, "3"},                {{"99999999999"}, "3.141592653589793"},
  };
  for (const cut &r : rows) {
    auto out = call(rxcalcpi, "RXCALCPI", r.args);
    EXPECT_EQ(out.rc, 0u);
    EXPECT_EQ(out.text, r.text) << (r.args.empty() ? "()" : r.args[0].value_or("(omitted)"));
    EXPECT_TRUE(out.ownbuffer);
    if (!r.text.empty()) {
      EXPECT_FALSE(out.nulafter) << r.text;
    }
  }
  auto two = call(rxcalcpi, "rxcalcpi", {"1", "2"});
  EXPECT_EQ(two.rc, BADARGS);
  EXPECT_TRUE(two.untouched);
}

}  // namespace
