// The package's own reading and formatting against the C library's, byte for
// byte. QIRVEN_DIFF_SAMPLES sets the number of random doubles and of
// generated texts (the test suite uses a smaller default than the long runs).
#include "reference.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

std::size_t samples() {
  const char *env = std::getenv("QIRVEN_DIFF_SAMPLES");
  return env ? static_cast<std::size_t>(std::strtoull(env, nullptr, 10)) : 50000;
}

// Random bit patterns reach every magnitude, subnormals, infinities and NaNs of
// both signs; a share of round decimal values adds the trailing-zero cases.
double randomdouble(std::mt19937_64 &rng) {
  switch (rng() % 5) {
    case 0: return std::bit_cast<double>(rng());
    case 4:  // a full 53-bit mantissa between about 1e-25 and 1e18
      return std::ldexp(static_cast<double>(rng() >> 11 | uint64_t{1} << 52), static_cast<int>(rng() % 144) - 136);
    case 1: return std::ldexp(static_cast<double>(rng() % 2000001) - 1000000.0, static_cast<int>(rng() % 200) - 100);
    case 2: return static_cast<double>(static_cast<int64_t>(rng() % 20000001) - 10000000) / std::pow(10.0, rng() % 25);
    default: {
      const double specials[] = {0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, 5e-324, -5e-324, 2.2250738585072014e-308,
                                 1.7976931348623157e308, 0.1, 0.5, 1e16, 9.999999999999999e15, 1e-5, 9.9999e-5};
      return specials[rng() % std::size(specials)];
    }
  }
}

TEST(Differential, FormattingEqualsPrintfForEveryPrecision) {
  std::mt19937_64 rng(20261208);
  const std::size_t n = samples();
  std::size_t compared = 0;
  for (std::size_t i = 0; i < n; ++i) {
    double v = randomdouble(rng);
    for (int digits = -3; digits <= 21; ++digits) {  // 21: no precision given, the default 16
      std::string prec = std::to_string(digits);
      RXSTRING precarg{prec.size(), prec.data()};
      char buffer[256];
      RXSTRING result{sizeof buffer, buffer};
      ASSERT_EQ(fmtresult(result, v, digits <= 20, &precarg), 0u);
      std::string want = reference::printg(std::min(digits, 16), v);
      ASSERT_EQ(std::string(result.strptr, result.strlength), want)
          << "value bits " << std::hex << std::bit_cast<uint64_t>(v) << std::dec << ", precision " << digits;
      ++compared;
    }
  }
  RecordProperty("compared", std::to_string(compared));
  std::printf("formatting: %zu values x 25 precisions = %zu comparisons\n", n, compared);
}

// Texts assembled from the pieces numbers are made of, and of what breaks them.
std::string randomtext(std::mt19937_64 &rng) {
  auto pick = [&](std::initializer_list<const char *> xs) { return std::string(xs.begin()[rng() % xs.size()]); };
  auto digits = [&](std::size_t most, const char *set = "0123456789") {
    std::string s;
    auto len = static_cast<std::size_t>(rng() % 8 == 0 ? rng() % most : rng() % 20);
    std::size_t setlen = std::strlen(set);
    for (std::size_t i = 0; i < len; ++i) s += set[rng() % setlen];
    return s;
  };
  std::string t = pick({"", "", " ", "  ", "\t", "\n \v\f\r", "\xa0"});
  t += pick({"", "", "+", "-", "+-", "--"});
  switch (rng() % 10) {
    case 0: t += pick({"inf", "INF", "Infinity", "infinit", "nan", "NaN", "nan()", "nan(123)", "nan(0x7ff)", "nan(", "in"}); break;
    case 1: t += pick({"0x", "0X"}) + digits(40, "0123456789abcdefABCDEF") + pick({"", ".", "."}) +
                 digits(40, "0123456789abcdef") + pick({"", "p", "P", "p+", "p-", "p+-"}) + digits(6); break;
    default:
      t += pick({"", "0", "00"}) + digits(900) + pick({"", ".", ".", ","}) + digits(900);
      if (rng() % 2) t += pick({"e", "E", "e+", "e-", "E-", "e+-"}) + digits(5);
      break;
  }
  t += pick({"", "", "", "x", "e", ".", "abc", " 1", "_5", "e5e5"});
  if (rng() % 16 == 0) t.insert(static_cast<std::size_t>(rng() % (t.size() + 1)), 1, '\0');  // cuts the text there
  return t;
}

TEST(Differential, ReadingEqualsStrtodInTheCLocale) {
  std::mt19937_64 rng(7);
  const std::size_t n = samples();
  for (std::size_t i = 0; i < n; ++i) {
    std::string text = randomtext(rng);
    RXSTRING arg{text.size(), text.data()};
    double got = 0;
    ASSERT_TRUE(readinto(arg, got));
    double want = reference::atofc(text.c_str());
    // A NaN's payload (glibc reads nan(0x7ff)'s) shows in no result text; its sign does.
    if (std::isnan(want) && std::isnan(got) && std::signbit(want) == std::signbit(got)) got = want;
    ASSERT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(want)) << '"' << text.c_str() << '"';
    ASSERT_EQ(readint(arg), reference::atoic(text.c_str())) << '"' << text.c_str() << '"';
  }
  std::printf("reading: %zu generated texts compared with strtod and strtol\n", n);
}

}  // namespace
