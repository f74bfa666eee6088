// Finding the row of a called name in a shared-handler table. The names are
// fixed when the package is compiled, so a perfect hash of a name's length
// and two of its letters, found then, points at the one row the name can be;
// that row's bytes are compared, ignoring case, as two words: the name's
// first eight bytes and its last eight.
#pragma once

#include "qirven.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace lookup {

using word = std::uint64_t;
constexpr unsigned SLOTS = 32;

constexpr unsigned slotof(unsigned multiplier, std::size_t length, char third, char last) {
  const unsigned a = static_cast<unsigned char>(third) | 0x20u, b = static_cast<unsigned char>(last) | 0x20u;
  return (a * multiplier + b + static_cast<unsigned>(length)) % SLOTS;
}

// Eight bytes as a word in the machine's byte order, as memcpy loads them;
// with `letters`, 0x20 where a byte is a lower-case letter, the one bit in
// which a called name's byte may differ from it.
constexpr word wordat(const char *p, bool letters = false) {
  std::array<unsigned char, 8> bytes{};
  for (std::size_t i = 0; i < 8; ++i)
    bytes[i] = letters ? (p[i] >= 'a' && p[i] <= 'z' ? 0x20 : 0) : static_cast<unsigned char>(p[i]);
  return std::bit_cast<word>(bytes);
}

template <std::size_t N>
struct index {
  unsigned multiplier = 0;  // 0: no perfect hash was found
  std::uint8_t slot[SLOTS] = {};  // row + 1, or 0
  std::size_t length[N] = {};
  word head[N] = {}, tail[N] = {}, headcase[N] = {}, tailcase[N] = {};
};

template <std::size_t N>
constexpr index<N> makeindex(const mathentry (&table)[N]) {
  index<N> ix;
  for (std::size_t r = 0; r < N; ++r) {
    const char *name = table[r].name;
    const std::size_t length = std::char_traits<char>::length(name);
    if (length < 8 || length >= NAMESIZE) return ix;  // the words would not fit
    ix.length[r] = length;
    ix.head[r] = wordat(name);
    ix.tail[r] = wordat(name + length - 8);
    ix.headcase[r] = wordat(name, true);
    ix.tailcase[r] = wordat(name + length - 8, true);
  }
  for (unsigned m = 1; m < 256; ++m) {
    std::uint8_t slot[SLOTS] = {};
    bool distinct = true;
    for (std::size_t r = 0; r < N && distinct; ++r) {
      const char *name = table[r].name;
      std::uint8_t &s = slot[slotof(m, ix.length[r], name[ix.length[r] - 3], name[ix.length[r] - 1])];
      distinct = s == 0;
      s = static_cast<std::uint8_t>(r + 1);
    }
    if (distinct) {
      ix.multiplier = m;
      std::copy(slot, slot + SLOTS, ix.slot);
      return ix;
    }
  }
  return ix;
}

}  // namespace lookup

// The row of `table` whose name equals `name` ignoring ASCII case, or nullptr.
template <const auto &table>
[[gnu::always_inline]] inline const mathentry *findfunc(const char *name) {
  static constexpr auto ix = lookup::makeindex(table);
  static_assert(ix.multiplier != 0, "the table's names need a perfect hash and 8 to 15 bytes each");
  const std::size_t length = std::strlen(name);
  if (length < 8 || length >= NAMESIZE) return nullptr;
  unsigned row = ix.slot[lookup::slotof(ix.multiplier, length, name[length - 3], name[length - 1])];
  if (row-- == 0 || ix.length[row] != length) return nullptr;
  lookup::word head, tail;
  std::memcpy(&head, name, sizeof head);
  std::memcpy(&tail, name + length - 8, sizeof tail);
  if (((head ^ ix.head[row]) & ~ix.headcase[row]) | ((tail ^ ix.tail[row]) & ~ix.tailcase[row])) return nullptr;
  return &table[row];
}
