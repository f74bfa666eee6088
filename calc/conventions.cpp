// Reading arguments and writing results: the rules every math function shares.
#include "qirven.h"

#include <cstring>
#include <new>

const char *argtext(const RXSTRING &arg, scratch &space) {
  if (arg.strptr == nullptr) return "";
  std::size_t len = arg.strlength;
  char *text = space.small;
  if (len >= sizeof space.small) {
    text = space.big = new (std::nothrow) char[len + 1];
    if (text == nullptr) return nullptr;
  }
  std::memcpy(text, arg.strptr, len);
  text[len] = '\0';
  return text;
}

APIRET puttext(RXSTRING &result, const char *text, std::size_t len) {
  // len is at most FORMATROOM + 1 here, so it fits the SAA length (32 bits on Windows).
  char *out = result.strptr;
  if (out == nullptr || result.strlength < len) {
    out = static_cast<char *>(RexxAllocateMemory(static_cast<ULONG>(len ? len : 1)));
    if (out == nullptr) return BADARGS;
  }
  std::memcpy(out, text, len);
  result.strptr = out;
  result.strlength = static_cast<ULONG>(len);
  return 0;
}
