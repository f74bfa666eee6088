// A host program that runs a REXX program in 8 threads at once through
// Regina's RexxStart, each loading the package and computing a few thousand
// results, with the host's locale set to one that writes a decimal comma.
#define INCL_RXFUNC
#include <rexxsaa.h>

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <thread>

namespace {

std::string runprogram(const char *path) {
  RXSTRING result{0, nullptr};
  short rc = 0;
  APIRET status = RexxStart(0, nullptr, path, nullptr, nullptr, RXCOMMAND, nullptr, &rc, &result);
  std::string text = status == 0 && result.strptr ? std::string(result.strptr, result.strlength)
                                                  : "RexxStart failed with " + std::to_string(status);
  if (result.strptr) RexxFreeMemory(result.strptr);
  return text;
}

TEST(RexxHost, EightInterpretersInEightThreads) {
  const char *comma = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (comma == nullptr) std::printf("note: de_DE.UTF-8 is not generated; running in the C locale\n");
  const std::string expected = runprogram(QIRVEN_THREADWORK);
  ASSERT_GT(expected.size(), 10000u) << expected;
  EXPECT_NE(expected.find(" 1.414213562373095 "), std::string::npos);

  constexpr int THREADS = 8;
  std::vector<std::string> got(THREADS);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t)
    threads.emplace_back([&got, t] { got[static_cast<std::size_t>(t)] = runprogram(QIRVEN_THREADWORK); });
  for (auto &th : threads) th.join();
  for (int t = 0; t < THREADS; ++t) EXPECT_EQ(got[static_cast<std::size_t>(t)], expected) << "thread " << t;
  std::setlocale(LC_ALL, "C");
  std::printf("%d threads each computed %zu characters of results\n", THREADS, expected.size());
}

}  // namespace
