// A recording stand-in for the interpreter's registry and memory calls, and a
// way to call handlers as the interpreter does.
#pragma once

#include "qirven.h"

#include <optional>
#include <string>
#include <vector>

namespace standin {

// Every RexxRegisterFunctionExe ("register") and RexxDeregisterFunction
// ("deregister") call since the last reset, in order.
struct registrycall {
  std::string action, name;
  RexxFunctionHandler *entry;
};
extern std::vector<registrycall> calls;
extern int allocations;      // RexxAllocateMemory calls since the last reset
extern bool failallocation;  // RexxAllocateMemory answers nullptr while set
void reset();

using arg = std::optional<std::string>;  // std::nullopt is an omitted argument

struct outcome {
  APIRET rc;
  std::string text;     // the result's strlength bytes
  bool untouched;       // result descriptor and buffer exactly as handed over
  bool nulafter;        // a NUL byte follows the text
  bool ownbuffer;       // the text is in the buffer the caller handed over
};

// Calls handler under name with args and a result buffer of buffersize bytes
// filled with a sentinel byte.
outcome call(RexxFunctionHandler *handler, const char *name, const std::vector<arg> &args,
             std::size_t buffersize = 256);

// A result text with the sign of a not-a-number dropped: that sign is the
// platform's (-nan on amd64, nan on s390x), not the package's.
inline std::string unsignednan(const std::string &text) { return text == "-nan" ? "nan" : text; }

// A value the compiler cannot fold, so that the platform's library computes with it.
inline double runtime(double x) {
  volatile double v = x;
  return v;
}

}  // namespace standin
