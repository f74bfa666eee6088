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
  char *out = result.strptr;
  if (out == nullptr || result.strlength < len) {
    out = static_cast<char *>(RexxAllocateMemory(len ? len : 1));
    if (out == nullptr) return BADARGS;
  }
  std::memcpy(out, text, len);
  result.strptr = out;
  result.strlength = len;
  return 0;
}
