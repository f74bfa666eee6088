#include "standin.h"
#include "qirven_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

using standin::call;

namespace {

// Registration order: directfuncs with their own entry points, then each shared
// table with its handler.
const std::vector<std::pair<std::string, RexxFunctionHandler *>> ORDER = {
    {"rxcalcpi", rxcalcpi},       {"rxcalcpower", rxcalcpower},   {"mathdropfuncs", mathdropfuncs},
    {"mathloadfuncs", mathloadfuncs}, {"rxcalccos", calctrig},    {"rxcalccotan", calctrig},
    {"rxcalcsin", calctrig},      {"rxcalctan", calctrig},        {"rxcalcarccos", calcarc},
    {"rxcalcarcsin", calcarc},    {"rxcalcarctan", calcarc},      {"rxcalccosh", calcunary},
    {"rxcalcexp", calcunary},     {"rxcalclog", calcunary},       {"rxcalclog10", calcunary},
    {"rxcalcsinh", calcunary},    {"rxcalcsqrt", calcunary},      {"rxcalctanh", calcunary},
};

TEST(Loader, RegistersAllEighteenNamesInOrderAndAnswersZero) {
  for (int round = 0; round < 2; ++round) {  // a second load is as harmless as the first
    standin::reset();
    testing::internal::CaptureStdout();
    auto out = call(mathloadfuncs, "MATHLOADFUNCS", {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no arguments, no banner";
    EXPECT_EQ(out.rc, 0u);
    EXPECT_EQ(out.text, "0");
    EXPECT_FALSE(out.nulafter) << "the 0 is written without a NUL after it";
    ASSERT_EQ(standin::calls.size(), ORDER.size());
    for (std::size_t i = 0; i < ORDER.size(); ++i) {
      EXPECT_EQ(standin::calls[i].action, "register");
      EXPECT_EQ(standin::calls[i].name, ORDER[i].first) << "row " << i;
      EXPECT_EQ(standin::calls[i].entry, ORDER[i].second) << ORDER[i].first;
    }
  }
}

TEST(Loader, PrintsTheBannerOnlyWhenGivenArguments) {
  const std::vector<std::vector<standin::arg>> withargs = {{"x"}, {std::nullopt}, {std::nullopt, "v"}, {"", "", ""}};
  for (const auto &args : withargs) {
    testing::internal::CaptureStdout();
    auto out = call(mathloadfuncs, "mathloadfuncs", args);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("Qirven Functions for Regina\nVersion " QIRVEN_VERSION, 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << "two lines, puts adds the last newline";
    EXPECT_EQ(out.text, "0");
  }
}

TEST(Loader, IgnoresSigfpe) {
  std::signal(SIGFPE, SIG_DFL);
  call(mathloadfuncs, "mathloadfuncs", {});
  auto previous = std::signal(SIGFPE, SIG_DFL);
  EXPECT_EQ(previous, SIG_IGN);
}

TEST(Dropper, DeregistersInRegistrationOrder) {
  standin::reset();
  auto out = call(mathdropfuncs, "MATHDROPFUNCS", {});
  EXPECT_EQ(out.rc, 0u);
  EXPECT_EQ(out.text, "0");
  EXPECT_FALSE(out.nulafter);
  ASSERT_EQ(standin::calls.size(), ORDER.size());
  for (std::size_t i = 0; i < ORDER.size(); ++i) {
    EXPECT_EQ(standin::calls[i].action, "deregister");
    EXPECT_EQ(standin::calls[i].name, ORDER[i].first);
  }
}

TEST(Dropper, RefusesArgumentsAndDeregistersNothing) {
  for (const auto &args : std::vector<std::vector<standin::arg>>{{"x"}, {std::nullopt}, {"", ""}}) {
    standin::reset();
    auto out = call(mathdropfuncs, "mathdropfuncs", args);
    EXPECT_EQ(out.rc, BADARGS);
    EXPECT_TRUE(out.untouched);
    EXPECT_TRUE(standin::calls.empty());
  }
}

TEST(Tables, SharedTablesAreSortedByNameAsTheyAreRegistered) {
  auto sorted = [](const mathentry *rows, std::size_t n) {
    for (std::size_t i = 0; i + 1 < n; ++i)
      if (strcasecmp(rows[i].name, rows[i + 1].name) >= 0) return false;
    return true;
  };
  EXPECT_TRUE(sorted(trigfuncs, 4));
  EXPECT_TRUE(sorted(arcfuncs, 3));
  EXPECT_TRUE(sorted(unaryfuncs, 7));
}

}  // namespace

#if !defined(_WIN32)  // fork and pipes
namespace {

// The banner reaches standard output even if the process ends without
// flushing stdio afterwards (_exit does not flush).
TEST(Loader, FlushesTheBanner) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::fflush(stdout);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    std::vector<RXSTRING> argv(1, RXSTRING{1, const_cast<char *>("x")});
    char buffer[256];
    RXSTRING result{sizeof buffer, buffer};
    mathloadfuncs("mathloadfuncs", 1, argv.data(), nullptr, &result);
    _exit(0);
  }
  close(fds[1]);
  std::string printed;
  char chunk[256];
  for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;) printed.append(chunk, static_cast<std::size_t>(n));
  close(fds[0]);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(printed.rfind("Qirven Functions for Regina\n", 0), 0u) << printed;
}

}  // namespace
#endif
