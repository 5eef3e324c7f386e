#include "os/code_page.h"

#include <windows.h>

namespace os {

std::uint32_t AnsiCodePage() { return GetACP(); }

std::uint32_t ThreadAnsiCodePage() {
  wchar_t digits[8] = {};
  if (GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, 8) > 0) {
    const UINT cp = static_cast<UINT>(_wtoi(digits));
    if (cp != 0) return cp;
  }
  return GetACP();
}

std::string FromUtf16(std::u16string_view text, std::uint32_t codePage) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide, length, out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string ToUtf16(std::string_view bytes, std::uint32_t codePage) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (n <= 0) return {};
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

bool IsLeadByte(std::uint32_t codePage, char byte) {
  return IsDBCSLeadByteEx(codePage, static_cast<BYTE>(byte)) != FALSE;
}

}  // namespace os
