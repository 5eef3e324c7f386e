// Which of the program's fifteen resource languages the user sees, and how to
// load resources in exactly that language.
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace norda::ui {

// The languages that every dialog and string of the program exists in.
inline constexpr std::array<LANGID, 15> kResourceLanguages = {
    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL),
    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
    MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT),
    MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN),
    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
    MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
    MAKELANGID(LANG_HUNGARIAN, SUBLANG_DEFAULT),
    MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN),
    MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT),
    MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN),
    MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT),
    MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN),
    MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT),
    MAKELANGID(LANG_TURKISH, SUBLANG_DEFAULT),
    MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN),
};

// Shown when the user's language is none of the fifteen.
inline constexpr LANGID kFallbackLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The resource language for a user interface language: the one of the same
// language (any region: Austrian German gets German, Portugal's Portuguese
// gets Brazil's; Hong Kong and Macao get Traditional Chinese), else English.
LANGID ResourceLanguageFor(LANGID uiLanguage);

// The resource language for the user interface language of the system.
LANGID ChooseResourceLanguage();

// Makes LoadString, DialogBox and the other implicit resource lookups of the
// calling thread prefer `language` (by default the chosen one). False when
// the system refused it. Wine does not follow the thread's UI language (it
// looks at the user's locale), so code that must get exactly `language`
// everywhere uses the two loaders below.
bool UseResourceLanguage(LANGID language = ChooseResourceLanguage());

// String `id` in `language`, or in English when that language lacks it;
// empty when neither has it.
std::u16string LoadResourceString(HINSTANCE module, UINT id, LANGID language);

// The template of dialog `id` in `language` (English when that language
// lacks it), for DialogBoxIndirectParamW and CreateDialogIndirectParamW;
// nullptr when there is none. Resources stay loaded with their module.
const DLGTEMPLATE* FindDialogTemplate(HINSTANCE module, UINT id, LANGID language);

}  // namespace norda::ui
