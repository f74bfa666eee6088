// Internal declarations shared by the package registration and the math functions.
#pragma once

#define INCL_RXFUNC
#include <rexxsaa.h>

#include <cfloat>
#include <cstddef>
#include <cstdint>

// Return codes of every handler.
constexpr APIRET BADARGS = 22;     // wrong argument count or angle unit
constexpr APIRET NOSUCHFUNC = 40;  // a shared handler called under a foreign name

constexpr int MAXDIGITS = 16;  // default and largest precision

// The loader is the module's one export: module/qirven.def names it on
// Windows; elsewhere module/qirven.map keeps every other symbol local.
#if defined(_WIN32)
#define QIRVEN_EXPORT
#else
#define QIRVEN_EXPORT __attribute__((visibility("default")))
#endif

// True where double arithmetic rounds each operation to double once. The x87
// unit of 32-bit x86 works in extended precision and rounds twice, so there
// the exact shortcuts that rely on one IEEE operation are not taken.
constexpr bool DOUBLEEVAL = FLT_EVAL_METHOD == 0 || FLT_EVAL_METHOD == 1;

// One row of a function table: a REXX name and the routine behind it. Names
// are kept NUL-padded in a fixed field so that lookups compare whole words.
constexpr std::size_t NAMESIZE = 16;
template <class F>
struct funcentry {
  char name[NAMESIZE];
  F func;
};
using mathroutine = double (*)(double);
using handlerentry = funcentry<RexxFunctionHandler *>;  // rows of directfuncs
using mathentry = funcentry<mathroutine>;               // rows of the shared-handler tables

extern const handlerentry directfuncs[4];
extern const mathentry trigfuncs[4];
extern const mathentry arcfuncs[3];
extern const mathentry unaryfuncs[7];

extern "C" {
RexxFunctionHandler mathloadfuncs, mathdropfuncs, rxcalcpi, rxcalcpower;
RexxFunctionHandler calcunary, calctrig, calcarc;
}

// Call-owned scratch text for one argument: short texts live on the stack,
// long ones on the heap until the handler returns.
struct scratch {
  char small[64];
  char *big = nullptr;
  scratch() = default;
  scratch(const scratch &) = delete;
  scratch &operator=(const scratch &) = delete;
  ~scratch() { delete[] big; }
};

// The argument as NUL-terminated text ("" when omitted); nullptr only when
// memory for a long argument cannot be had.
const char *argtext(const RXSTRING &arg, scratch &space);

// Reads the argument as a number, exactly as atof reads its text (up to a NUL
// byte) in the C locale, whatever the process locale, but for the payload of
// a NaN, which no result shows. Not ok only when memory for copying a long
// argument cannot be had. (Returned by value, so that a handler keeps no
// local whose address escapes and can end in a tail call.) Cold: the inline
// readplain below takes nearly every call, and the handlers are laid out for it.
struct reading {
  double value;
  bool ok;
};
[[gnu::cold]] reading readgeneral(const RXSTRING &arg);

// Powers of ten that are exact doubles.
inline constexpr double POW10D[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The divisor of a plain text's digits, by the place of its point counted
// from the end (-1 for the last character): 10 to the number of digits
// after the point. (POW10D reversed, indexed by that place plus 15, so that
// no negation is needed.)
struct pointdivisors {
  double of[15];
};
constexpr pointdivisors reversedpowers() {
  pointdivisors t{};
  for (int i = 0; i < 15; ++i) t.of[i] = POW10D[14 - i];
  return t;
}
inline constexpr pointdivisors DIVISORBYPOINT = reversedpowers();

// Reads the digits after a point at end[point] on after those before it,
// and sets value to all of them divided by 10 to the number after the
// point; false if anything but a digit follows.
[[gnu::always_inline]] inline bool readfraction(const char *end, std::ptrdiff_t point, uint64_t digits,
                                                double &value) {
#pragma GCC unroll 1
  for (auto i = point + 1; i != 0; ++i) {
    const uint64_t d = static_cast<unsigned char>(end[i]) - uint64_t{'0'};
    if (d > 9) return false;
    digits = digits * 10 + d;
  }
  value = static_cast<double>(static_cast<int64_t>(digits)) / DIVISORBYPOINT.of[point + 15];
  return true;
}

// The common case inline: the whole text is up to 15 characters, digits
// with at most one point among them (2, 1.05, 30, .5). The digits then fit
// in 53 bits, and one exact IEEE division rounds correctly. A point alone
// reads as 0, as atof reads it. False for anything else, which readgeneral
// reads.
inline bool readplain(const RXSTRING &arg, double &value) {
  const char *p = arg.strptr;
  if (!DOUBLEEVAL || p == nullptr || arg.strlength - 1 >= 15) return false;
  // The first character before any loop, so that one digit costs none;
  // then end[i] for i from one less than minus the length up to 0, each
  // step testing one count.
  uint64_t digits = static_cast<unsigned char>(p[0]) - uint64_t{'0'};
  if (digits > 9) {  // a point first (.5, or . alone): no digits before it
    if (digits != uint64_t{'.'} - '0') return false;
    return readfraction(p + arg.strlength, -static_cast<std::ptrdiff_t>(arg.strlength), 0, value);
  }
  auto i = 1 - static_cast<std::ptrdiff_t>(arg.strlength);
  if (i == 0) {  // (one digit)
    value = static_cast<double>(static_cast<int64_t>(digits));
    return true;
  }
  const char *const end = p + arg.strlength;
  // The digits before a point, by a loop entered at its test, so that a
  // text with a point needs no jump into it.
  uint64_t d = static_cast<unsigned char>(end[i]) - uint64_t{'0'};
#pragma GCC unroll 1
  while (d <= 9) {
    digits = digits * 10 + d;
    if (++i == 0) break;
    d = static_cast<unsigned char>(end[i]) - uint64_t{'0'};
  }
  if (i == 0) {
    value = static_cast<double>(static_cast<int64_t>(digits));  // below 10^15: signed converts at once
    return true;
  }
  if (d != uint64_t{'.'} - '0') return false;
  return readfraction(end, i, digits, value);
}

// Any argument into value, at once when it is plain; false only when memory
// for copying a long argument cannot be had.
[[gnu::always_inline]] inline bool readinto(const RXSTRING &arg, double &value) {
  if (readplain(arg, value)) return true;
  const reading general = readgeneral(arg);
  value = general.value;
  return general.ok;
}

// Reads an integer the way atoi does, saturating at the limits of int.
// The argument's bytes are read in place, up to its length or a NUL byte.
// One or two digits, the common precision, are read inline (cold, as readgeneral).
[[gnu::cold]] int readintgeneral(const RXSTRING &arg);
inline int readint(const RXSTRING &arg) {
  const char *p = arg.strptr;
  if (p != nullptr && arg.strlength - 1 < 2) {
    const unsigned first = static_cast<unsigned char>(p[0]) - '0';
    if (arg.strlength == 1 && first <= 9) return static_cast<int>(first);
    const unsigned second = arg.strlength == 2 ? static_cast<unsigned char>(p[1]) - '0' : 10;
    if (first <= 9 && second <= 9) return static_cast<int>(first * 10 + second);
  }
  return readintgeneral(arg);
}

// Room for the longest "%.*g" text the package writes.
constexpr std::size_t FORMATROOM = 48;

// Copies len bytes of text into the result and sets its length to len. The
// host's buffer is used when it holds them, else one from RexxAllocateMemory;
// when none can be had the result is untouched and BADARGS returned.
APIRET puttext(RXSTRING &result, const char *text, std::size_t len);

// "%.*g" text of value into the result: with the default 16 digits
// (fmtsixteen), or as many as a present argument asks for (fmtprecision).
// Each writes straight into the interpreter's buffer (256 bytes) when it has
// room, else makes the text aside and copies it.
APIRET fmtsixteen(RXSTRING &result, double value);
APIRET fmtprecision(RXSTRING &result, double value, const RXSTRING &precarg);

// Where a handler keeps the result's address across its calls: in a slot of
// its frame, not in a saved register. It is needed only at the end; in the
// slot, which keeping the stack aligned leaves free, it costs a store and a
// load, where a saved register costs a push, a pop and two moves.
// (volatile: else the compiler moves it to a saved register.)
using resultslot = PRXSTRING volatile;

// Writes value as "%.*g" text; the precision comes from *precarg when count > 0.
// Inline, so that a handler ends in a jump to the formatter.
inline APIRET fmtresult(RXSTRING &result, double value, ULONG count, const RXSTRING *precarg) {
  if (count == 0 || precarg->strptr == nullptr) return fmtsixteen(result, value);
  return fmtprecision(result, value, *precarg);
}
