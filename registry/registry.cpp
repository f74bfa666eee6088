// The package's front door: the loader registers every function of the four
// tables with the interpreter, the dropper removes them again.
#include "qirven.h"
#include "qirven_version.h"

#include <csignal>
#include <cstdio>
#include <iterator>

const handlerentry directfuncs[4] = {
    {"rxcalcpi", rxcalcpi},
    {"rxcalcpower", rxcalcpower},
    {"mathdropfuncs", mathdropfuncs},
    {"mathloadfuncs", mathloadfuncs},
};

namespace {

constexpr char BANNER[] = "Qirven Functions for Regina\nVersion " QIRVEN_VERSION
                          ": floating-point math for REXX programs";

struct sharedtable {
  const mathentry *rows;
  std::size_t count;
  RexxFunctionHandler *handler;
};
constexpr sharedtable sharedtables[] = {
    {trigfuncs, std::size(trigfuncs), calctrig},
    {arcfuncs, std::size(arcfuncs), calcarc},
    {unaryfuncs, std::size(unaryfuncs), calcunary},
};

// Visits every name in registration order with the entry point it is registered with.
template <class Visit>
void eachfunction(Visit visit) {
  for (const handlerentry &row : directfuncs) visit(row.name, row.func);
  for (const sharedtable &table : sharedtables)
    for (std::size_t i = 0; i < table.count; ++i) visit(table.rows[i].name, table.handler);
}

}  // namespace

// Exported under this exact name; the interpreter's answers are not examined,
// so loading twice is harmless.
extern "C" QIRVEN_EXPORT APIRET mathloadfuncs(PCSZ, ULONG argc, PRXSTRING, PCSZ, PRXSTRING result) {
  std::signal(SIGFPE, SIG_IGN);
  if (argc > 0) {
    std::puts(BANNER);
    std::fflush(stdout);
  }
  eachfunction([](const char *name, RexxFunctionHandler *entry) { RexxRegisterFunctionExe(name, entry); });
  return puttext(*result, "0", 1);
}

extern "C" APIRET mathdropfuncs(PCSZ, ULONG argc, PRXSTRING, PCSZ, PRXSTRING result) {
  if (argc > 0) return BADARGS;
  eachfunction([](const char *name, RexxFunctionHandler *) { RexxDeregisterFunction(name); });
  return puttext(*result, "0", 1);
}
