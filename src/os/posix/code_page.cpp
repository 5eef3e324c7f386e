#include "os/code_page.h"

#include "base/utf8.h"

namespace os {

// Linux text is UTF-8: that is the nearest meaning of both ANSI code pages.
constexpr std::uint32_t kUtf8CodePage = 65001;

std::uint32_t AnsiCodePage() { return kUtf8CodePage; }
std::uint32_t ThreadAnsiCodePage() { return kUtf8CodePage; }

std::string FromUtf16(std::u16string_view text, std::uint32_t) {
  // An unpaired surrogate cannot be represented: it becomes the default character.
  std::u16string clean(text);
  for (size_t i = 0; i < clean.size(); ++i) {
    const char16_t c = clean[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
        clean[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      clean[i] = u'?';
    }
  }
  return norda::Utf16ToUtf8(clean);
}

std::u16string ToUtf16(std::string_view bytes, std::uint32_t) { return norda::Utf8ToUtf16(bytes); }

// UTF-8 never puts an ASCII byte inside a longer character: no byte needs the
// one after it to be read right.
bool IsLeadByte(std::uint32_t, char) { return false; }

}  // namespace os
