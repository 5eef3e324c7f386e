#include "core/support/format_text.h"

namespace norda {

std::u16string FormatText(const std::u16string& format,
                          const std::vector<std::u16string>& arguments) {
  std::u16string out;
  auto next = arguments.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size()) {
      if (format[i + 1] == u's') {
        if (next != arguments.end()) out += *next++;
        ++i;
        continue;
      }
      if (format[i + 1] == u'%') {
        out += u'%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

}  // namespace norda
