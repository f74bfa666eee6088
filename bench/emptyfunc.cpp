// A module for the benchmarks only. emptyfunc answers "0" at once. A floor
// function answers at once with a fixed text of the length its name tells
// (floor17__ gives 17 characters): one function per length, made from a
// template, so that a call does nothing but copy its answer. Called with the
// same arguments as a package call, under a name of the same length, it
// costs what the interpreter itself costs for a call of that shape.
#define INCL_RXFUNC
#include <rexxsaa.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

extern "C" APIRET emptyfunc(PCSZ, ULONG, PRXSTRING, PCSZ, PRXSTRING result) {
  result->strptr[0] = '0';
  result->strlength = 1;
  return 0;
}

namespace {

constexpr char ANSWER[] = "0000000000000000000000000000000000000000";
constexpr std::size_t LONGEST = sizeof ANSWER - 1;

template <std::size_t N>
APIRET floorfunc(PCSZ, ULONG, PRXSTRING, PCSZ, PRXSTRING result) {
  std::memcpy(result->strptr, ANSWER, N);
  result->strlength = N;
  return 0;
}

template <std::size_t... N>
constexpr std::array<RexxFunctionHandler *, sizeof...(N)> floorsof(std::index_sequence<N...>) {
  return {floorfunc<N>...};
}
constexpr auto FLOORS = floorsof(std::make_index_sequence<LONGEST + 1>{});

}  // namespace

// benchloadfuncs([floorname...]): registers emptyfunc and the floor names
// given, each with the floor function of the length its name tells.
extern "C" __attribute__((visibility("default"))) APIRET benchloadfuncs(PCSZ, ULONG argc, PRXSTRING argv, PCSZ,
                                                                        PRXSTRING result) {
  RexxRegisterFunctionExe("emptyfunc", emptyfunc);
  for (ULONG i = 0; i < argc; ++i) {
    const std::size_t length = std::strtoul(argv[i].strptr + 5, nullptr, 10);
    if (length > LONGEST) return 40;
    RexxRegisterFunctionExe(argv[i].strptr, FLOORS[length]);
  }
  result->strptr[0] = '0';
  result->strlength = 1;
  return 0;
}
