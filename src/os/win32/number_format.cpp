#include "os/number_format.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace os {
namespace {

std::u16string LocaleText(LCTYPE type) {
  wchar_t text[8] = {};
  const int n = GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, type, text, 8);
  return n > 1 ? win32::U16(text) : std::u16string();
}

}  // namespace

NumberSeparators LocaleNumberSeparators() {
  NumberSeparators separators;
  std::u16string thousands = LocaleText(LOCALE_STHOUSAND);
  std::u16string decimal = LocaleText(LOCALE_SDECIMAL);
  if (!thousands.empty()) separators.thousands = thousands;
  if (!decimal.empty()) separators.decimal = decimal;
  return separators;
}

}  // namespace os
