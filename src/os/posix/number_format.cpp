#include "os/number_format.h"

#include <langinfo.h>
#include <locale.h>

#include "base/utf8.h"

namespace os {

NumberSeparators LocaleNumberSeparators() {
  NumberSeparators separators;
  locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return separators;
  const char* thousands = nl_langinfo_l(THOUSEP, locale);
  const char* decimal = nl_langinfo_l(RADIXCHAR, locale);
  if (thousands && *thousands) separators.thousands = norda::Utf8ToUtf16(thousands);
  if (decimal && *decimal) separators.decimal = norda::Utf8ToUtf16(decimal);
  freelocale(locale);
  return separators;
}

}  // namespace os
