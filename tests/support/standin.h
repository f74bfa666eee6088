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

}  // namespace standin
