#include "ui/language_choice.h"

namespace norda::ui {
namespace {

struct LanguageRule {
  WORD primary;
  LANGID resources;
};

// Every language but Chinese has one resource language for all its regions.
constexpr LanguageRule kByPrimaryLanguage[] = {
    {LANG_CZECH, MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT)},
    {LANG_GERMAN, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)},
    {LANG_ENGLISH, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)},
    {LANG_FRENCH, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)},
    {LANG_HUNGARIAN, MAKELANGID(LANG_HUNGARIAN, SUBLANG_DEFAULT)},
    {LANG_ITALIAN, MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)},
    {LANG_JAPANESE, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)},
    {LANG_KOREAN, MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN)},
    {LANG_POLISH, MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT)},
    {LANG_PORTUGUESE, MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN)},
    {LANG_RUSSIAN, MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT)},
    {LANG_TURKISH, MAKELANGID(LANG_TURKISH, SUBLANG_DEFAULT)},
    {LANG_SPANISH, MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN)},
};

constexpr LANGID kTraditionalChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
constexpr LANGID kSimplifiedChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
// "zh-Hant", the script-only Traditional Chinese (0x7C04).
constexpr WORD kSublangChineseTraditionalScript = 0x1F;

HRSRC FindInLanguage(HINSTANCE module, LPCWSTR type, UINT name, LANGID language) {
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  if (!found && language != kFallbackLanguage) {
    found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), kFallbackLanguage);
  }
  return found;
}

// A string table block holds strings id/16*16 .. id/16*16+15, each a length
// unit followed by that many UTF-16 units, without terminators.
std::u16string StringFromBlock(HINSTANCE module, HRSRC block, UINT id) {
  HGLOBAL loaded = LoadResource(module, block);
  const auto* units = static_cast<const char16_t*>(loaded ? LockResource(loaded) : nullptr);
  if (!units) {
    return {};
  }
  const char16_t* end = units + SizeofResource(module, block) / sizeof(char16_t);
  for (UINT index = 0; index < id % 16; ++index) {
    if (units >= end) {
      return {};
    }
    units += 1 + *units;
  }
  if (units >= end || units + 1 + *units > end) {
    return {};
  }
  return std::u16string(units + 1, *units);
}

}  // namespace

LANGID ResourceLanguageFor(LANGID uiLanguage) {
  const WORD primary = PRIMARYLANGID(uiLanguage);
  if (primary == LANG_CHINESE) {
    switch (SUBLANGID(uiLanguage)) {
      case SUBLANG_CHINESE_TRADITIONAL:
      case SUBLANG_CHINESE_HONGKONG:
      case SUBLANG_CHINESE_MACAU:
      case kSublangChineseTraditionalScript:
        return kTraditionalChinese;
      default:
        return kSimplifiedChinese;
    }
  }
  for (const LanguageRule& rule : kByPrimaryLanguage) {
    if (rule.primary == primary) {
      return rule.resources;
    }
  }
  return kFallbackLanguage;
}

LANGID ChooseResourceLanguage() { return ResourceLanguageFor(GetUserDefaultUILanguage()); }

bool UseResourceLanguage(LANGID language) { return SetThreadUILanguage(language) == language; }

std::u16string LoadResourceString(HINSTANCE module, UINT id, LANGID language) {
  const UINT block = id / 16 + 1;
  if (HRSRC found = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block), language)) {
    std::u16string text = StringFromBlock(module, found, id);
    if (!text.empty() || language == kFallbackLanguage) {
      return text;
    }
  }
  HRSRC english = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block), kFallbackLanguage);
  return english ? StringFromBlock(module, english, id) : std::u16string();
}

const DLGTEMPLATE* FindDialogTemplate(HINSTANCE module, UINT id, LANGID language) {
  HRSRC found = FindInLanguage(module, RT_DIALOG, id, language);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  return static_cast<const DLGTEMPLATE*>(loaded ? LockResource(loaded) : nullptr);
}

}  // namespace norda::ui
