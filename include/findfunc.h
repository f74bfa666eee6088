// Finding the row of a called name in a shared-handler table. The names are
// fixed when the package is compiled, so one byte of a name, found then
// (the k-th from its end, with its length added where the byte alone does
// not tell the rows apart), points at the one row the name can be; that
// row's bytes are compared, ignoring case, as two words: the name's first
// eight bytes and its last eight, each with the case bit set where the row
// has a letter.
#pragma once

#include "qirven.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform.h"

namespace lookup {

using word = std::uint64_t;

// The slot of a name whose k-th byte from the end is `byte`: the byte, plus
// the length when the table needs it, kept to eight bits.
constexpr unsigned slotof(unsigned char byte, std::size_t length, bool withlength) {
  return static_cast<std::uint8_t>(byte + (withlength ? length : 0));
}

constexpr bool islowerascii(char c) { return c >= 'a' && c <= 'z'; }

// Eight bytes as a word in the machine's byte order, as memcpy loads them;
// with `letters`, 0x20 where a byte is a lower-case letter, the one bit in
// which a called name's byte may differ from it.
constexpr word wordat(const char *p, bool letters = false) {
  std::array<unsigned char, 8> bytes{};
  for (std::size_t i = 0; i < 8; ++i)
    bytes[i] = letters ? (islowerascii(p[i]) ? 0x20 : 0) : static_cast<unsigned char>(p[i]);
  return std::bit_cast<word>(bytes);
}

template <std::size_t N>
struct index {
  unsigned place = 0;  // k, 1 to 8; 0: no byte tells the rows apart
  bool withlength = false;
  std::uint8_t slot[256] = {};  // a row, or N: the row of length 0, which no name matches
  std::size_t length[N + 1] = {};
  // The row's first and last eight bytes in upper case, as the interpreter
  // passes a name; in lower case, and the case bit of each of their letters.
  word headupper[N + 1] = {}, tailupper[N + 1] = {};
  word head[N + 1] = {}, tail[N + 1] = {}, headcase[N + 1] = {}, tailcase[N + 1] = {};
  mathroutine func[N + 1] = {};  // the row's routine, beside the rest
};

template <std::size_t N>
constexpr index<N> makeindex(const mathentry (&table)[N]) {
  index<N> ix;
  for (std::size_t r = 0; r < N; ++r) {
    const char *name = table[r].name;
    const std::size_t length = std::char_traits<char>::length(name);
    if (length < 8 || length >= NAMESIZE) return ix;  // the words would not fit
    ix.length[r] = length;
    ix.func[r] = table[r].func;
    ix.headcase[r] = wordat(name, true);
    ix.tailcase[r] = wordat(name + length - 8, true);
    ix.head[r] = wordat(name) | ix.headcase[r];
    ix.tail[r] = wordat(name + length - 8) | ix.tailcase[r];
    ix.headupper[r] = ix.head[r] & ~ix.headcase[r];
    ix.tailupper[r] = ix.tail[r] & ~ix.tailcase[r];
  }
  // The first place, by the byte alone or else with the length, at which
  // every row's name in lower and in upper case gets a slot of its own.
  for (const bool withlength : {false, true})
    for (unsigned k = 1; k <= 8; ++k) {
      std::uint8_t slot[256];
      std::fill(slot, slot + 256, static_cast<std::uint8_t>(N));
      bool distinct = true;
      for (std::size_t r = 0; r < N && distinct; ++r) {
        const char byte = table[r].name[ix.length[r] - k];
        const char cases[2] = {byte, islowerascii(byte) ? static_cast<char>(byte - 0x20) : byte};
        for (const char c : cases) {
          std::uint8_t &s = slot[slotof(static_cast<unsigned char>(c), ix.length[r], withlength)];
          distinct = distinct && (s == N || s == r);
          s = static_cast<std::uint8_t>(r);
        }
      }
      if (distinct) {
        ix.place = k;
        ix.withlength = withlength;
        std::copy(slot, slot + 256, ix.slot);
        return ix;
      }
    }
  return ix;
}

template <const auto &table>
inline constexpr auto INDEX = makeindex(table);

// The row a name can only be, with the name's first and last eight bytes
// loaded; false where there is none: a name of fewer than 8 bytes, or one
// of another length than its slot's row. (A longer name than any row's
// fails on the length.)
struct candidate {
  unsigned row;
  word head, tail;
};
template <const auto &table>
[[gnu::always_inline]] inline bool candidateof(const char *name, candidate &c) {
  constexpr auto &ix = INDEX<table>;
  static_assert(ix.place != 0, "the table's names need a byte that tells them apart and 8 to 15 bytes each");
  const std::size_t length = namelength(name);
  if (length < 8) return false;
  c.row = ix.slot[slotof(static_cast<unsigned char>(name[length - ix.place]), length, ix.withlength)];
  if (ix.length[c.row] != length) return false;
  std::memcpy(&c.head, name, sizeof c.head);
  std::memcpy(&c.tail, name + length - 8, sizeof c.tail);
  return true;
}

// The routine for a name in any case, or nullptr: its words compared with
// the case bit of each of the row's letters set. (Out of line, the
// interpreter's upper-case names never come here.)
template <const auto &table>
[[gnu::cold, gnu::noinline]] mathroutine inanycase(const char *name) {
  constexpr auto &ix = INDEX<table>;
  candidate c;
  if (!candidateof<table>(name, c)) return nullptr;
  if (((c.head | ix.headcase[c.row]) ^ ix.head[c.row]) | ((c.tail | ix.tailcase[c.row]) ^ ix.tail[c.row]))
    return nullptr;
  return ix.func[c.row];
}

}  // namespace lookup

// The routine of the row of `table` whose name equals `name` ignoring ASCII
// case, or nullptr. The interpreter passes names in upper case, which are
// compared as they are.
template <const auto &table>
[[gnu::always_inline]] inline mathroutine findfunc(const char *name) {
  constexpr auto &ix = lookup::INDEX<table>;
  lookup::candidate c;
  if (!lookup::candidateof<table>(name, c)) return nullptr;
  if ((c.head ^ ix.headupper[c.row]) | (c.tail ^ ix.tailupper[c.row])) [[unlikely]]
    return lookup::inanycase<table>(name);
  // (A row's routine is a function's address, never null: said so, the
  // caller's test needs no compare of its own.)
  const mathroutine func = ix.func[c.row];
  if (func == nullptr) __builtin_unreachable();
  return func;
}
