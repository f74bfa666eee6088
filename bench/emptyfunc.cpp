// A module for the benchmarks only: emptyfunc answers "0" at once, the floor
// that an external function call through the interpreter costs.
#define INCL_RXFUNC
#include <rexxsaa.h>

extern "C" APIRET emptyfunc(PCSZ, ULONG, PRXSTRING, PCSZ, PRXSTRING result) {
  result->strptr[0] = '0';
  result->strlength = 1;
  return 0;
}

extern "C" __attribute__((visibility("default"))) APIRET benchloadfuncs(PCSZ, ULONG, PRXSTRING, PCSZ,
                                                                        PRXSTRING result) {
  RexxRegisterFunctionExe("emptyfunc", emptyfunc);
  result->strptr[0] = '0';
  result->strlength = 1;
  return 0;
}
