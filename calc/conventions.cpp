// Reading arguments, writing results and finding a called name: the rules every
// math function shares.
#include "qirven.h"

#include <bit>
#include <compare>
#include <cstdint>
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

APIRET fmtresult(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg) {
  int digits = MAXDIGITS;
  if (count > 0 && precarg->strptr != nullptr) {
    digits = readint(*precarg);
    if (digits > MAXDIGITS) digits = MAXDIGITS;
  }
  if (result.strptr != nullptr && result.strlength > FORMATROOM) {  // the interpreter's 256 bytes
    std::size_t len = formatg(result.strptr, value, digits);
    result.strptr[len] = '\0';
    result.strlength = len;
    return 0;
  }
  char text[FORMATROOM + 1];
  std::size_t len = formatg(text, value, digits);
  text[len] = '\0';
  APIRET rc = puttext(result, text, len + 1);  // the NUL goes along, uncounted
  if (rc == 0) result.strlength = len;
  return rc;
}

namespace {

// A name of up to 15 bytes, NUL-padded to 16, as two words whose first byte
// is the most significant whatever the machine's byte order: comparing the
// words compares the names byte by byte, as strcmp does.
struct namekey {
  uint64_t high, low;
  auto operator<=>(const namekey &) const = default;
};

namekey keyof(const char *padded) {
  static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);
  uint64_t words[2];
  std::memcpy(words, padded, sizeof words);
  if constexpr (std::endian::native == std::endian::little) {
    words[0] = __builtin_bswap64(words[0]);
    words[1] = __builtin_bswap64(words[1]);
  }
  return {words[0], words[1]};
}

// ASCII A to Z folded to lower case in all eight bytes of a word at once.
uint64_t foldascii(uint64_t x) {
  constexpr uint64_t ONES = 0x0101010101010101;
  const uint64_t low7 = x & (0x7f * ONES);
  const uint64_t abovez = low7 + (0x7f - 'Z') * ONES;  // top bit set where low7 > 'Z'
  const uint64_t fromA = low7 + (0x80 - 'A') * ONES;   // top bit set where low7 >= 'A'
  const uint64_t upper = fromA & ~abovez & ~x & (0x80 * ONES);
  return x | upper >> 2;  // 0x80 >> 2 is the case bit 0x20
}

}  // namespace

// Binary search of a table sorted by name. The rows hold lower-case names, so
// folding the called name once makes the case-insensitive comparison a plain
// one; a name longer than any row's cannot match.
const mathentry *findfunc(const mathentry *table, std::size_t rows, const char *name) {
  const std::size_t length = strnlen(name, NAMESIZE);
  if (length == NAMESIZE) return nullptr;
  uint64_t words[2] = {};
  std::memcpy(words, name, length);
  words[0] = foldascii(words[0]);
  words[1] = foldascii(words[1]);
  const namekey key = keyof(reinterpret_cast<const char *>(words));
  std::size_t low = 0, high = rows;
  while (low < high) {
    std::size_t mid = (low + high) / 2;
    auto order = keyof(table[mid].name) <=> key;
    if (order == 0) return &table[mid];
    if (order < 0) low = mid + 1;
    else high = mid;
  }
  return nullptr;
}
