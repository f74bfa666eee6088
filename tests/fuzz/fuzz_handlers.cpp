// libFuzzer target: every entry point the loader registers, called under any
// name with 0 to 6 arguments of any bytes (or omitted) and result buffers of
// any small size or the interpreter's 256 bytes. Each answer must be the one
// the C library oracle gives, and a failure must leave the result untouched.
#include "reference.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct registered {
  std::string name;
  RexxFunctionHandler *entry;
  reference::family family;
};

std::vector<registered> loadall() {
  std::freopen("/dev/null", "w", stdout);  // the banner is not what is fuzzed
  standin::reset();
  standin::call(mathloadfuncs, "mathloadfuncs", {});
  std::vector<registered> rows;
  for (const auto &c : standin::calls) {
    using F = reference::family;
    F f = c.entry == calcunary ? F::unary : c.entry == calctrig ? F::trig : c.entry == calcarc ? F::arc
        : c.entry == rxcalcpi ? F::pi : c.entry == rxcalcpower ? F::power : c.entry == mathdropfuncs ? F::drop : F::load;
    rows.push_back({c.name, c.entry, f});
  }
  if (rows.size() != 18) std::abort();
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::vector<registered> rows = loadall();
  FuzzedDataProvider in(data, size);
  const registered &row = rows[in.ConsumeIntegralInRange<std::size_t>(0, rows.size() - 1)];

  // The called name: the row's own in random letter case, another row's, or any bytes.
  std::string name;
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
      for (char c : row.name) name += in.ConsumeBool() && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
      break;
    case 1: name = rows[in.ConsumeIntegralInRange<std::size_t>(0, rows.size() - 1)].name; break;
    default: name = in.ConsumeRandomLengthString(24); break;
  }
  std::size_t buffersize = in.ConsumeBool() ? 256 : in.ConsumeIntegralInRange<std::size_t>(0, 40);
  std::vector<standin::arg> args(in.ConsumeIntegralInRange<std::size_t>(0, 6));
  for (auto &a : args)
    if (in.ConsumeBool()) a = in.ConsumeRandomLengthString(400);

  standin::calls.clear();
  standin::outcome got = standin::call(row.entry, name.c_str(), args, buffersize);
  reference::answer want = reference::expect(row.family, name, args);

  if (got.rc != 0 && got.rc != BADARGS && got.rc != NOSUCHFUNC) std::abort();
  if (got.rc != want.rc) std::abort();
  if (got.rc != 0 && !got.untouched) std::abort();
  if (got.rc == 0 && got.text != want.text) std::abort();
  // Loader, dropper and pi write no NUL; every formatted number ends in one.
  bool formatted = row.family != reference::family::pi && row.family != reference::family::load &&
                   row.family != reference::family::drop;
  if (got.rc == 0 && formatted && !got.nulafter) std::abort();
  return 0;
}
