// Every handler called from 8 threads at once, each result compared with the
// one a single thread got. Built with ThreadSanitizer as well.
#include "standin.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

struct job {
  RexxFunctionHandler *handler;
  const char *name;
  std::vector<standin::arg> args;
};

const std::vector<job> JOBS = {
    {calcunary, "RXCALCSQRT", {"2"}},           {calcunary, "rxcalcexp", {"1.5", "9"}},
    {calcunary, "RxCalcLog", {"10"}},           {calcunary, "rxcalclog10", {"0x10"}},
    {calcunary, "RXCALCSINH", {"-2"}},          {calcunary, "rxcalccosh", {"3", "4"}},
    {calcunary, "rxcalctanh", {"0.3"}},         {calcunary, "rxcalcnone", {"1"}},
    {calctrig, "RXCALCSIN", {"30"}},            {calctrig, "rxcalccos", {"100", std::nullopt, "G"}},
    {calctrig, "rxcalctan", {"1", "7", "R"}},   {calctrig, "rxcalccotan", {"45", "12", "d"}},
    {calctrig, "rxcalcsin", {"1", "2", "X"}},   {calcarc, "RXCALCARCSIN", {"0.5"}},
    {calcarc, "rxcalcarccos", {"0", "5", "g"}}, {calcarc, "rxcalcarctan", {"1", std::nullopt, "r"}},
    {rxcalcpower, "RXCALCPOWER", {"2", "0.5"}}, {rxcalcpower, "rxcalcpower", {"1.05", "30", "8"}},
    {rxcalcpi, "RXCALCPI", {}},                 {rxcalcpi, "rxcalcpi", {"7"}},
    {calcunary, "rxcalcsqrt", {std::string(200, ' ') + "9"}},  // a long argument takes the heap
};

TEST(Threads, EightThreadsGetTheSingleThreadedResults) {
  std::vector<standin::outcome> expected;
  for (const job &j : JOBS) expected.push_back(standin::call(j.handler, j.name, j.args));

  constexpr int THREADS = 8, CALLS = 100000;
  std::vector<int> mismatches(THREADS, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < CALLS; ++i) {
        std::size_t k = static_cast<std::size_t>(i + t) % JOBS.size();
        standin::outcome got = standin::call(JOBS[k].handler, JOBS[k].name, JOBS[k].args);
        if (got.rc != expected[k].rc || got.text != expected[k].text) ++mismatches[static_cast<std::size_t>(t)];
      }
    });
  for (auto &th : threads) th.join();
  for (int t = 0; t < THREADS; ++t) EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0) << "thread " << t;
  std::printf("%d threads x %d calls compared\n", THREADS, CALLS);
}

}  // namespace
