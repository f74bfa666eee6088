#include "standin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace standin {

std::vector<registrycall> calls;
int allocations = 0;
bool failallocation = false;

void reset() {
  calls.clear();
  allocations = 0;
}

outcome call(RexxFunctionHandler *handler, const char *name, const std::vector<arg> &args,
             std::size_t buffersize) {
  constexpr char SENTINEL = '\x5a';
  std::vector<RXSTRING> argv;
  for (const arg &a : args)
    argv.push_back(a ? RXSTRING{static_cast<ULONG>(a->size()), const_cast<char *>(a->data())} : RXSTRING{0, nullptr});
  argv.push_back(RXSTRING{0, nullptr});  // never read: lies beyond argc
  std::vector<char> buffer(buffersize + 32, SENTINEL);
  RXSTRING result{static_cast<ULONG>(buffersize), buffer.data()};
  APIRET rc = handler(name, static_cast<ULONG>(args.size()), argv.data(), nullptr, &result);

  outcome out{rc, {}, false, false, result.strptr == buffer.data()};
  out.untouched = out.ownbuffer && result.strlength == buffersize &&
                  std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == SENTINEL; });
  if (result.strptr != nullptr) {
    out.text.assign(result.strptr, result.strlength);
    out.nulafter = result.strptr[result.strlength] == '\0';
  }
  if (!out.ownbuffer && result.strptr != nullptr) std::free(result.strptr);
  return out;
}

}  // namespace standin

extern "C" {

APIRET APIENTRY RexxRegisterFunctionExe(PCSZ name, RexxFunctionHandler *entry) {
  standin::calls.push_back({"register", name, entry});
  return standin::calls.size() % 2 ? RXFUNC_OK : RXFUNC_DEFINED;  // answers must not matter
}

APIRET APIENTRY RexxDeregisterFunction(PCSZ name) {
  standin::calls.push_back({"deregister", name, nullptr});
  return RXFUNC_NOTREG;
}

PVOID APIENTRY RexxAllocateMemory(ULONG size) {
  ++standin::allocations;
  if (standin::failallocation) return nullptr;
  return std::malloc(size + 1);  // one spare byte so that a test can look past the text
}

}
