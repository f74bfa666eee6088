// Reading arguments, writing results and finding a called name: the rules every
// math function shares.
#include "qirven.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>

namespace {

// White space as the C locale's isspace sees it.
bool isblankc(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isdigitc(char c) { return c >= '0' && c <= '9'; }

locale_t clocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}

}  // namespace

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

double readvalue(const char *text) {
  const char *s = text;
  while (isblankc(*s)) ++s;
  const char *p = s + (*s == '+' || *s == '-');
  // Plain decimal numbers take the fast exact path; hexadecimal, inf, nan,
  // overflow and underflow go to the C library's reader in the C locale.
  bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  if ((isdigitc(p[0]) && !hex) || (p[0] == '.' && isdigitc(p[1]))) {
    double v;
    auto [end, ec] = std::from_chars(p, p + std::strlen(p), v);
    if (ec == std::errc()) return *s == '-' ? -v : v;
  }
  locale_t c = clocale();
  return c ? strtod_l(s, nullptr, c) : std::strtod(s, nullptr);
}

int readint(const RXSTRING &arg) {
  const char *p = arg.strptr;
  const char *end = p ? p + arg.strlength : p;
  while (p != end && isblankc(*p)) ++p;
  bool neg = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  long long n = 0;  // saturates at INT_MAX + 1, enough for either sign
  for (; p != end && isdigitc(*p); ++p)
    if (n <= INT_MAX) n = n * 10 + (*p - '0');
  if (neg) return n > INT_MAX ? INT_MIN : static_cast<int>(-n);
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
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

APIRET fmtresult(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg) {
  int digits = MAXDIGITS;
  if (count > 0 && precarg->strptr != nullptr) {
    digits = readint(*precarg);
    if (digits > MAXDIGITS) digits = MAXDIGITS;
  }
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
  if (ec != std::errc()) return BADARGS;  // cannot happen: 32 bytes hold any "%.16g" text
  *end = '\0';
  auto len = static_cast<std::size_t>(end - text);
  APIRET rc = puttext(result, text, len + 1);  // the NUL goes along, uncounted
  if (rc == 0) result.strlength = len;
  return rc;
}

namespace {

// Byte by byte with ASCII letters folded to lower case; the first difference decides.
int compareicase(const void *key, const void *row) {
  auto a = static_cast<const unsigned char *>(key);
  auto b = reinterpret_cast<const unsigned char *>(static_cast<const mathentry *>(row)->name);
  for (;; ++a, ++b) {
    int x = *a >= 'A' && *a <= 'Z' ? *a + 32 : *a;
    int y = *b >= 'A' && *b <= 'Z' ? *b + 32 : *b;
    if (x != y || x == 0) return x - y;
  }
}

}  // namespace

const mathentry *findfunc(const mathentry *table, std::size_t rows, const char *name) {
  return static_cast<const mathentry *>(std::bsearch(name, table, rows, sizeof *table, compareicase));
}
