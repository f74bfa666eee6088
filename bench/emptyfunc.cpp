// A module for the benchmarks only. emptyfunc answers "0" at once. A floor
// function answers at once with text as long as its name tells: FLOOR17__
// gives 17 characters. Called with the same arguments as a package call,
// under a name of the same length, it costs what the interpreter itself
// costs for a call of that shape.
#define INCL_RXFUNC
#include <rexxsaa.h>

#include <cstring>

extern "C" APIRET emptyfunc(PCSZ, ULONG, PRXSTRING, PCSZ, PRXSTRING result) {
  result->strptr[0] = '0';
  result->strlength = 1;
  return 0;
}

extern "C" APIRET floorfunc(PCSZ name, ULONG, PRXSTRING, PCSZ, PRXSTRING result) {
  std::size_t length = 0;
  for (const char *p = name + 5; *p >= '0' && *p <= '9'; ++p) length = length * 10 + static_cast<std::size_t>(*p - '0');
  std::memset(result->strptr, '0', length);
  result->strlength = length;
  return 0;
}

// benchloadfuncs([floorname...]): registers emptyfunc and the floor names given.
extern "C" __attribute__((visibility("default"))) APIRET benchloadfuncs(PCSZ, ULONG argc, PRXSTRING argv, PCSZ,
                                                                        PRXSTRING result) {
  RexxRegisterFunctionExe("emptyfunc", emptyfunc);
  for (ULONG i = 0; i < argc; ++i) RexxRegisterFunctionExe(argv[i].strptr, floorfunc);
  result->strptr[0] = '0';
  result->strlength = 1;
  return 0;
}
