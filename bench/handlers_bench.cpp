// Each handler called directly, as the interpreter calls it, beside the bare
// math routine it wraps: the difference is what reading and writing cost.
#include "qirven.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

void call(benchmark::State &state, RexxFunctionHandler *handler, const char *name, std::vector<std::string> args) {
  std::vector<RXSTRING> argv;
  for (auto &a : args) argv.push_back(a == "," ? RXSTRING{0, nullptr} : RXSTRING{a.size(), a.data()});
  char buffer[256];
  for (auto _ : state) {
    RXSTRING result{sizeof buffer, buffer};
    benchmark::DoNotOptimize(handler(name, argv.size(), argv.data(), nullptr, &result));
    benchmark::DoNotOptimize(buffer);
  }
}

template <double (*F)(double)>
void bare(benchmark::State &state) {
  double x = 0.5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(F(x));
  }
}

double sqrtd(double x) { return std::sqrt(x); }
double sind(double x) { return std::sin(x); }
double expd(double x) { return std::exp(x); }

}  // namespace

BENCHMARK(bare<sqrtd>)->Name("libm sqrt");
BENCHMARK(bare<sind>)->Name("libm sin");
BENCHMARK(bare<expd>)->Name("libm exp");
BENCHMARK_CAPTURE(call, sqrt_2, calcunary, "RXCALCSQRT", {"2"});
BENCHMARK_CAPTURE(call, sqrt_2_prec5, calcunary, "RXCALCSQRT", {"2", "5"});
BENCHMARK_CAPTURE(call, exp_1_5, calcunary, "RXCALCEXP", {"1.5"});
BENCHMARK_CAPTURE(call, log10_2_prec6, calcunary, "RXCALCLOG10", {"2", "6"});
BENCHMARK_CAPTURE(call, sin_30, calctrig, "RXCALCSIN", {"30"});
BENCHMARK_CAPTURE(call, sin_30_prec8, calctrig, "RXCALCSIN", {"30", "8"});
BENCHMARK_CAPTURE(call, sin_100_grads, calctrig, "RXCALCSIN", {"100", ",", "G"});
BENCHMARK_CAPTURE(call, cotan_45_prec12, calctrig, "RXCALCCOTAN", {"45", "12"});
BENCHMARK_CAPTURE(call, arctan_1_radians, calcarc, "RXCALCARCTAN", {"1", ",", "R"});
BENCHMARK_CAPTURE(call, arcsin_0_5, calcarc, "RXCALCARCSIN", {"0.5"});
BENCHMARK_CAPTURE(call, power_2_0_5, rxcalcpower, "RXCALCPOWER", {"2", "0.5"});
BENCHMARK_CAPTURE(call, power_1_05_10_prec8, rxcalcpower, "RXCALCPOWER", {"1.05", "10", "8"});
BENCHMARK_CAPTURE(call, pi, rxcalcpi, "RXCALCPI", {});
BENCHMARK_CAPTURE(call, pi_5, rxcalcpi, "RXCALCPI", {"5"});
BENCHMARK_CAPTURE(call, exp_100_library_path, calcunary, "RXCALCEXP", {"100"});

BENCHMARK_MAIN();
