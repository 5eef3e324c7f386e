#include "core/support/file_size_text.h"

#include "core/support/text.h"
#include "os/files.h"
#include "os/number_format.h"

namespace norda {

std::u16string GroupedNumberText(std::uint64_t value, const std::u16string& thousandsSeparator) {
  const std::u16string digits = DecimalText(value);
  std::u16string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += thousandsSeparator;
    grouped += digits[i];
  }
  return grouped;
}

std::u16string FileSizeText(const std::u16string& path) {
  const auto size = os::ExclusiveReadSize(path);
  if (!size || *size == 0) return {};
  std::uint64_t kilobytes = (*size + 512) / 1024;
  if (kilobytes == 0) kilobytes = 1;
  return GroupedNumberText(kilobytes, os::LocaleNumberSeparators().thousands) + u" KB ";
}

}  // namespace norda
