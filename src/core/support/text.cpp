#include "core/support/text.h"

namespace norda {

bool IsWhite(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

std::u16string TrimLeft(std::u16string_view text) {
  size_t b = 0;
  while (b < text.size() && IsWhite(text[b])) ++b;
  return std::u16string(text.substr(b));
}

std::u16string TrimRight(std::u16string_view text) {
  size_t e = text.size();
  while (e > 0 && IsWhite(text[e - 1])) --e;
  return std::u16string(text.substr(0, e));
}

std::u16string Trim(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsWhite(text[b])) ++b;
  while (e > b && IsWhite(text[e - 1])) --e;
  return std::u16string(text.substr(b, e - b));
}

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  // Latin-1: A-grave..THORN except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  // Latin Extended-A: upper/lower pairs, even/odd in two runs.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return static_cast<char16_t>(c | 1);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c == 0x178) return 0xFF;
  // Greek capitals.
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  // Cyrillic: Ё..Џ, А..Я, then the even/odd pairs from Ѡ.
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
    return static_cast<char16_t>(c | 1);
  // Fullwidth Latin capitals.
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
  return c;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::u16string ToLowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = FoldCase(c);
  return out;
}

std::u16string CutToUnits(std::u16string_view text, size_t maxUnits) {
  if (text.size() <= maxUnits) return std::u16string(text);
  size_t keep = maxUnits;
  if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  return std::u16string(text.substr(0, keep));
}

std::u16string DecimalText(std::uint64_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

std::u16string DecimalText3(unsigned value) {
  std::u16string digits = DecimalText(value);
  while (digits.size() < 3) digits.insert(digits.begin(), u'0');
  return digits;
}

bool HasFolder(std::u16string_view path) {
  return path.find_first_of(kPathSeparators) != std::u16string_view::npos;
}

std::u16string FileNamePart(std::u16string_view path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string FileTitle(std::u16string_view path) {
  std::u16string name = FileNamePart(path);
  const size_t dot = name.rfind(u'.');
  if (dot != std::u16string::npos) name.resize(dot);
  return name;
}

std::u16string ExtensionWithoutDot(std::u16string_view path) {
  const std::u16string name = FileNamePart(path);
  const size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot + 1);
}

std::u16string FolderPart(std::u16string_view path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  return slash == std::u16string_view::npos ? std::u16string()
                                            : std::u16string(path.substr(0, slash + 1));
}

}  // namespace norda
