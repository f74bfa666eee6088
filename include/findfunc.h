// Finding the row of a called name in a shared-handler table. The names are
// fixed when the package is compiled, so a perfect hash of a name's last
// eight bytes, found then, points at the one row the name can be; that row's
// bytes are compared, ignoring case, as two words: the name's first eight
// bytes and its last eight, each with the case bit set where the row has a
// letter.
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

// From the name's last eight bytes, the case bit set in each: the top bits
// of their product with the table's multiplier.
constexpr word CASEBITS = 0x2020202020202020;
constexpr unsigned slotof(word multiplier, word tail) {
  return static_cast<unsigned>(((tail | CASEBITS) * multiplier) >> (64 - std::countr_zero(SLOTS)));
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
  word multiplier = 0;  // 0: no perfect hash was found
  std::uint8_t slot[SLOTS] = {};  // a row, or N: the row of length 0, which no name matches
  std::size_t length[N + 1] = {};
  // The row's first and last eight bytes in lower case, and the case bit of
  // each of their letters.
  word head[N + 1] = {}, tail[N + 1] = {}, headcase[N + 1] = {}, tailcase[N + 1] = {};
};

template <std::size_t N>
constexpr index<N> makeindex(const mathentry (&table)[N]) {
  index<N> ix;
  for (std::size_t r = 0; r < N; ++r) {
    const char *name = table[r].name;
    const std::size_t length = std::char_traits<char>::length(name);
    if (length < 8 || length >= NAMESIZE) return ix;  // the words would not fit
    ix.length[r] = length;
    ix.headcase[r] = wordat(name, true);
    ix.tailcase[r] = wordat(name + length - 8, true);
    ix.head[r] = wordat(name) | ix.headcase[r];
    ix.tail[r] = wordat(name + length - 8) | ix.tailcase[r];
  }
  for (word m = 0x9e3779b97f4a7c15, tries = 0; tries < 1000; m += 0x5851f42d4c957f2e, ++tries) {  // odd multipliers
    std::uint8_t slot[SLOTS];
    std::fill(slot, slot + SLOTS, static_cast<std::uint8_t>(N));
    bool distinct = true;
    for (std::size_t r = 0; r < N && distinct; ++r) {
      std::uint8_t &s = slot[slotof(m, ix.tail[r])];
      distinct = s == N;
      s = static_cast<std::uint8_t>(r);
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
  if (length < 8) return nullptr;  // (a longer name than any row's fails on the length)
  lookup::word head, tail;
  std::memcpy(&head, name, sizeof head);
  std::memcpy(&tail, name + length - 8, sizeof tail);
  const unsigned row = ix.slot[lookup::slotof(ix.multiplier, tail)];
  if (ix.length[row] != length) return nullptr;
  if (((head | ix.headcase[row]) ^ ix.head[row]) | ((tail | ix.tailcase[row]) ^ ix.tail[row])) return nullptr;
  return &table[row];
}
