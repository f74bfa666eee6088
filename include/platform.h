// Where the package differs between platforms, and only here.
#pragma once

#include <clocale>
#include <cstdlib>
#include <locale.h>

#if defined(_WIN32)

// module/qirven.def names the DLL's one export.
#define QIRVEN_EXPORT

// strtod in the C locale, whatever the process's: the Universal C Runtime's.
inline double strtodc(const char *text) {
  static const _locale_t c = _create_locale(LC_NUMERIC, "C");
  return c ? _strtod_l(text, nullptr, c) : std::strtod(text, nullptr);
}

#else

// module/qirven.map keeps every other symbol local.
#define QIRVEN_EXPORT __attribute__((visibility("default")))

// strtod in the C locale, whatever the process's (POSIX 2008).
inline double strtodc(const char *text) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c ? strtod_l(text, nullptr, c) : std::strtod(text, nullptr);
}

#endif
