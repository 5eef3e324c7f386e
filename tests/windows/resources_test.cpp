// The program's resources as Windows reads them back from the executable, in
// every language, and the language chosen as the program will choose it.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "resource.h"
#include "support/test_files.h"
#include "ui/language_choice.h"

namespace {

using norda::test::Printable;
using norda::ui::kResourceLanguages;

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr UINT kDialogIds[] = {IDD_ABOUTBOX, IDD_ERROR_REPORT, IDD_REPORT_CONTENTS};
constexpr UINT kStringIds[] = {
    IDS_ABOUTBOX,           IDS_BANNER,           IDS_SENDING,          IDS_SEND_FAILED,      IDS_SEND_SUCCEEDED,
    IDS_PACK_FAILED,        IDS_CONNECT_FAILED,   IDS_CONTENTS_BANNER,  IDS_OPEN_FILE_FAILED, IDS_RECOVERY_BEFORE,
    IDS_RECOVERY_AFTER,     IDS_RECOVERY_CAPTION, IDS_USER_TEXT_FAILED, IDS_COLUMN_SEND,      IDS_COLUMN_NAME,
    IDS_COLUMN_DESCRIPTION, IDS_COLUMN_TYPE,      IDS_COLUMN_SIZE,      IDS_LIST_EMPTY,       IDS_APP_TITLE,
};
// The same in every language.
constexpr UINT kUntranslatedIds[] = {IDS_COLUMN_SEND, IDS_COLUMN_NAME, IDS_COLUMN_DESCRIPTION,
                                     IDS_COLUMN_TYPE, IDS_COLUMN_SIZE, IDS_APP_TITLE};

// The fifteen languages and the face Wine gives their dialogs' font with the
// fonts the tests install (made to the Windows fonts' metrics).
struct Language {
  LANGID id;
  const char* name;
  const char* measuredFace;
};

void PrintTo(const Language& language, std::ostream* out) { *out << language.name; }

constexpr const char* kCjkFace = "WenQuanYi Micro Hei";
const Language kLanguages[] = {
    {0x0404, "zh_TW", kCjkFace}, {0x0804, "zh_CN", kCjkFace}, {0x0405, "cs_CZ", "Tahoma"},
    {0x0407, "de_DE", "Tahoma"}, {0x0409, "en_US", "MS Sans Serif"}, {0x040C, "fr_FR", "Tahoma"},
    {0x040E, "hu_HU", "Tahoma"}, {0x0410, "it_IT", "Tahoma"}, {0x0411, "ja_JP", kCjkFace},
    {0x0412, "ko_KR", kCjkFace}, {0x0415, "pl_PL", "Tahoma"}, {0x0416, "pt_BR", "Tahoma"},
    {0x0419, "ru_RU", "Tahoma"}, {0x041F, "tr_TR", "Tahoma"}, {0x0C0A, "es_ES", "Tahoma"},
};

std::u16string U16(const wchar_t* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }
const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Resources of one exact language, read past the program's loaders, so that a
// fallback to English cannot hide a missing translation.
const void* ExactResource(LPCWSTR type, UINT name, LANGID language, DWORD* size = nullptr) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  if (!found) return nullptr;
  if (size) *size = SizeofResource(module, found);
  return LockResource(LoadResource(module, found));
}

std::map<UINT, std::u16string> StringTable(LANGID language) {
  std::map<UINT, std::u16string> table;
  for (UINT block = 1; block <= 0x1000; ++block) {
    DWORD size = 0;
    const auto* units = static_cast<const char16_t*>(ExactResource(RT_STRING, block, language, &size));
    if (!units) continue;
    const char16_t* end = units + size / 2;
    for (UINT index = 0; index < 16 && units < end; units += *units + 1, ++index) {
      if (*units) table[(block - 1) * 16 + index] = std::u16string(units + 1, *units);
    }
  }
  return table;
}

std::u16string WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return U16(buffer);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// One exact language's dialog as Windows builds it from the template.
HWND CreateExact(UINT id, LANGID language) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  const void* data = ExactResource(RT_DIALOG, id, language);
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<const DLGTEMPLATE*>(data), nullptr,
                                    QuietDialogProc, 0);
}

// A dialog (first) and its controls as built, placed in dialog units so that
// dialogs in other fonts compare (a unit is over a pixel: the way back is exact).
struct Built {
  HWND window;
  long id, style, exStyle, x, y, cx, cy;
  std::u16string className, text;
  LRESULT icon;
};

std::vector<Built> ReadBuilt(HWND dialog) {
  RECT base = {0, 0, 4, 8};
  MapDialogRect(dialog, &base);
  std::vector<Built> out;
  for (HWND w = dialog; w; w = w == dialog ? GetWindow(dialog, GW_CHILD) : GetWindow(w, GW_HWNDNEXT)) {
    RECT r;
    GetClientRect(dialog, &r);
    if (w != dialog) {
      GetWindowRect(w, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    }
    wchar_t className[64] = {};
    GetClassNameW(w, className, 64);
    out.push_back({w, GetDlgCtrlID(w), GetWindowLongW(w, GWL_STYLE), GetWindowLongW(w, GWL_EXSTYLE),
                   MulDiv(r.left, 4, base.right), MulDiv(r.top, 8, base.bottom),
                   MulDiv(r.right - r.left, 4, base.right), MulDiv(r.bottom - r.top, 8, base.bottom),
                   U16(className), WindowText(w), SendMessageW(w, STM_GETICON, 0, 0)});
  }
  return out;
}

// The printf conversions and line breaks of a text, in order.
std::u16string Skeleton(const std::u16string& text) {
  std::u16string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == u'%' && at + 1 < text.size()) out += text.substr(at++, 2);
    if (text[at] == u'\n') out += at > 0 && text[at - 1] == u'\r' ? u"\r\n" : u"<bare line feed>";
  }
  return out;
}

class EachLanguage : public testing::TestWithParam<Language> {};

TEST_P(EachLanguage, HasEveryStringTranslatedWhereTranslated) {
  const auto english = StringTable(kEnglish);
  const auto table = StringTable(GetParam().id);
  for (UINT id : kStringIds) {
    ASSERT_TRUE(table.count(id) && !table.at(id).empty()) << "string " << id;
    const std::u16string& text = table.at(id);
    const bool untranslated = std::count(std::begin(kUntranslatedIds), std::end(kUntranslatedIds), id) > 0;
    if (GetParam().id != kEnglish) {
      EXPECT_EQ(text == english.at(id), untranslated) << "string " << id;
    }
    EXPECT_EQ(Printable(Skeleton(text)), Printable(Skeleton(english.at(id))))
        << "string " << id << ": " << Printable(text);
    EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos) << "string " << id << " was misread";
  }
  // The archive path of the send failure and the user text file's path stand
  // indented on a line of their own.
  EXPECT_NE(table.at(IDS_SEND_FAILED).find(u"\r\n    '%s'\r\n"), std::u16string::npos);
  EXPECT_NE(table.at(IDS_USER_TEXT_FAILED).find(u"\r\n    '%s'"), std::u16string::npos);
  // The contents banner is drawn from the control's left edge: four blanks are
  // its margin.
  EXPECT_EQ(table.at(IDS_CONTENTS_BANNER).find_first_not_of(u' '), 4u);
  // The recovery question is the two texts with the path in between.
  EXPECT_EQ(table.at(IDS_RECOVERY_BEFORE).back(), u' ');
  EXPECT_NE(table.at(IDS_RECOVERY_AFTER).front(), u' ');
  EXPECT_NE(table.at(IDS_ABOUTBOX).find(u'&'), std::u16string::npos) << "the menu item's access key";
}

TEST_P(EachLanguage, DialogsHaveTheEnglishControlsAndLayout) {
  for (UINT dialogId : kDialogIds) {
    SCOPED_TRACE("dialog " + std::to_string(dialogId));
    HWND dialog = CreateExact(dialogId, GetParam().id), englishDialog = CreateExact(dialogId, kEnglish);
    ASSERT_TRUE(dialog && englishDialog);
    const std::vector<Built> ours = ReadBuilt(dialog), english = ReadBuilt(englishDialog);
    DestroyWindow(dialog);
    DestroyWindow(englishDialog);
    ASSERT_EQ(ours.size(), english.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
      const Built& a = ours[i];
      const Built& b = english[i];
      SCOPED_TRACE("window " + std::to_string(i) + " \"" + Printable(a.text) + "\"");
      // Where a translation needs more room, its control may grow to the left;
      // icons and etched lines size themselves in pixels.
      const bool widened = a.cx > b.cx && a.x + a.cx == b.x + b.cx;
      const long type = a.className == u"Static" ? a.style & SS_TYPEMASK : -1;
      EXPECT_EQ(a.icon != 0, type == SS_ICON) << "an icon that loads";
      const bool ownSize = type == SS_ICON || type == SS_ETCHEDHORZ;
      const long cx = widened || ownSize ? a.cx : b.cx, cy = ownSize ? a.cy : b.cy;
      EXPECT_EQ(std::vector<long>({a.id, a.x, a.y, a.cx, a.cy, a.style, a.exStyle}),
                std::vector<long>({b.id, widened ? a.x : b.x, b.y, cx, cy, b.style, b.exStyle}));
      EXPECT_EQ(a.className, b.className);
      EXPECT_EQ(a.icon, b.icon) << "the same icon";
      EXPECT_EQ(a.text.empty(), b.text.empty());
      // Short labels ("Name:", "OK") may well be the same word in another language.
      if (GetParam().id != kEnglish && b.text.size() > 12) {
        EXPECT_NE(a.text, b.text) << "translated";
      }
    }
  }
}

// Texts must fit with this much of their control's width to spare: Wine's
// faces are made to the metrics of the Windows fonts, but not to the pixel.
constexpr int kSparePercent = 5;

// A text as a static control draws it (DrawText, word-wrapped, cut at the
// control's edge) or a push button its one line, in the control's font: it
// fits (on one line where asked) and the face has a glyph for every character.
void ExpectFits(HWND control, const std::u16string& text, int leftMargin, int topMargin, UINT flags,
                const std::string& what, bool oneLine = false) {
  RECT client, line = {};
  GetClientRect(control, &client);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  DrawTextW(dc, L"Ag", -1, &line, DT_SINGLELINE | DT_CALCRECT);
  const SIZE room = {client.right - leftMargin - client.right * kSparePercent / 100,
                     oneLine ? std::min(line.bottom, client.bottom - topMargin) : client.bottom - topMargin};
  RECT needed = {0, 0, room.cx, 0};
  DrawTextW(dc, W(text), -1, &needed, flags | DT_CALCRECT);
  std::vector<WORD> glyphs(text.size());
  GetGlyphIndicesW(dc, W(text), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  std::u16string missing;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (glyphs[i] == 0xFFFF && text[i] >= u' ') missing += text[i];
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  EXPECT_EQ(Printable(missing), "") << what << ": characters without a glyph in the face";
  EXPECT_TRUE(needed.right <= room.cx && needed.bottom <= room.cy)
      << what << ": needs " << needed.right << "x" << needed.bottom << " px, has " << room.cx << "x" << room.cy
      << " (" << kSparePercent << " % of the width kept spare)";
}

// The family of the font that a window's text is really drawn with, after
// every substitution the system made.
std::string FaceOf(HWND window) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  std::string face;
  if (UINT size = GetOutlineTextMetricsW(dc, 0, nullptr)) {
    std::vector<BYTE> data(size);
    auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(data.data());
    GetOutlineTextMetricsW(dc, size, metrics);
    face = Printable(
        U16(reinterpret_cast<const wchar_t*>(data.data() + reinterpret_cast<UINT_PTR>(metrics->otmpFamilyName))));
  } else {
    wchar_t name[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, name);
    face = Printable(U16(name));
  }
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return face;
}

TEST_P(EachLanguage, TextsFitTheirControls) {
  // Wine links a font with Chinese, Japanese and Korean glyphs into the dialog
  // fonts only when the user's language is one of those: the run under a
  // Western language measures the Western dialogs, under Japanese the others.
  const WORD user = PRIMARYLANGID(GetUserDefaultUILanguage());
  const bool cjk = std::string(GetParam().measuredFace) == kCjkFace;
  if (cjk != (user == LANG_CHINESE || user == LANG_JAPANESE || user == LANG_KOREAN)) {
    GTEST_SKIP() << "measured in the run under " << (cjk ? "Japanese" : "English");
  }
  const auto strings = StringTable(GetParam().id);
  for (UINT dialogId : kDialogIds) {
    HWND dialog = CreateExact(dialogId, GetParam().id);
    ASSERT_NE(dialog, nullptr) << "dialog " << dialogId;
    // Measured in another face, the figures would say nothing about Windows.
    const std::string face = FaceOf(dialog);
    ASSERT_EQ(face, GetParam().measuredFace)
        << "dialog " << dialogId << " got the face \"" << face << "\"; the texts are measured with \""
        << GetParam().measuredFace << "\" only (is the font package that brings it installed?)";
    for (const Built& c : ReadBuilt(dialog)) {
      const std::string what = "dialog " + std::to_string(dialogId) + " control " + std::to_string(c.id) + " \"" +
                               Printable(c.text) + "\" in " + face;
      if (c.id == IDC_BANNER_TITLE) {
        // The banner shows string 1590 around the application's name, 22 px in
        // and 8 down.
        std::u16string banner = strings.at(IDS_BANNER);
        banner.replace(banner.find(u"%s"), 2, u"NORDA+ CAD");
        ExpectFits(c.window, banner, 22, 8, DT_WORDBREAK | DT_NOPREFIX, what);
      } else if (c.id == IDC_CONTENTS_BANNER) {
        ExpectFits(c.window, strings.at(IDS_CONTENTS_BANNER), 0, 4, DT_WORDBREAK | DT_NOPREFIX, what);
      } else if (c.text.empty()) {
        continue;
      } else if (_wcsicmp(W(c.className), L"Button") == 0) {
        ExpectFits(c.window, c.text, 4, 0, DT_SINGLELINE, what);  // room for the frame
      } else if (c.id == IDC_SAVE_HINT) {
        // The next paragraph follows right below: one line keeps a blank line
        // between them.
        ExpectFits(c.window, c.text, 0, 0, DT_WORDBREAK | DT_EXPANDTABS, what + " on one line", true);
      } else if (GetParam().id == kEnglish && c.text.rfind(u"To help us diagnose", 0) == 0) {
        // The English text and this control's size are both given; the text
        // needs a third line there, which the control cuts.
        continue;
      } else if (_wcsicmp(W(c.className), L"Static") == 0 && (c.style & SS_TYPEMASK) <= SS_RIGHT) {
        const UINT prefix = (c.style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        ExpectFits(c.window, c.text, 0, 0, DT_WORDBREAK | DT_EXPANDTABS | prefix, what);
      }
    }
    DestroyWindow(dialog);
  }
}

std::string LanguageName(const testing::TestParamInfo<Language>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Resources, EachLanguage, testing::ValuesIn(kLanguages), LanguageName);

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
  reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
  return TRUE;
}

TEST(CommonResources, ManifestBringsCommonControlsSix) {
  // The system honoured the manifest: this process has the side-by-side
  // common controls 6 (Wine reports 5.81 for them, so their path tells).
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
  auto getVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "DllGetVersion")));
  ASSERT_NE(getVersion, nullptr);
  DLLVERSIONINFO version = {};
  version.cbSize = sizeof version;
  ASSERT_EQ(getVersion(&version), S_OK);
  std::wstring lower(path);
  CharLowerW(lower.data());
  EXPECT_TRUE(version.dwMajorVersion >= 6 || lower.find(L"\\winsxs\\") != std::wstring::npos)
      << Printable(U16(path)) << " version " << version.dwMajorVersion << "." << version.dwMinorVersion;
}

TEST(LanguageChoice, EachUserLanguageGetsItsOwnOrEnglish) {
  // Chinese by its region, the rest by the language alone (German in Austria
  // and Dutch are the win_resources_language_* runs under Wine).
  const struct {
    LANGID ui, shown;
  } cases[] = {
      {0x0C04, 0x0404}, {0x1404, 0x0404}, {0x7C04, 0x0404}, {0x1004, 0x0804}, {0x0004, 0x0804},
      {0x0816, 0x0416}, {0x080A, 0x0C0A}, {0x0809, 0x0409}, {0x0000, 0x0409}, {0x0401, 0x0409},
  };
  for (const auto& c : cases) EXPECT_EQ(norda::ui::ResourceLanguageFor(c.ui), c.shown) << std::hex << c.ui;
  for (LANGID language : kResourceLanguages) {
    EXPECT_EQ(norda::ui::ResourceLanguageFor(language), language) << std::hex << language;
  }
  // Those fifteen are exactly the languages of the resources.
  std::vector<LANGID> found;
  EnumResourceLanguagesW(GetModuleHandleW(nullptr), RT_DIALOG, MAKEINTRESOURCEW(IDD_ERROR_REPORT), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&found));
  EXPECT_TRUE(std::is_permutation(found.begin(), found.end(), kResourceLanguages.begin(), kResourceLanguages.end()))
      << found.size() << " languages";
  ASSERT_EQ(std::size(kLanguages), kResourceLanguages.size());
}

// Runs once in the test prefix's own language and again under other user
// languages (NORDA_EXPECTED_LANGUAGE says which resource language to expect).
TEST(LanguageChoice, FollowsTheSystemAndLoadsInTheChosenLanguage) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  const LANGID chosen = norda::ui::ChooseResourceLanguage();
  EXPECT_EQ(chosen, norda::ui::ResourceLanguageFor(GetUserDefaultUILanguage()));
  if (const char* expected = std::getenv("NORDA_EXPECTED_LANGUAGE")) {
    EXPECT_EQ(chosen, static_cast<LANGID>(std::strtoul(expected, nullptr, 16)))
        << "user interface language " << std::hex << GetUserDefaultUILanguage();
  }
  norda::ui::UseResourceLanguage(chosen);
  const auto table = StringTable(chosen);
  for (UINT id : kStringIds)
    EXPECT_EQ(Printable(norda::ui::LoadResourceString(module, id, chosen)), Printable(table.at(id)));
  for (UINT id : kDialogIds)
    EXPECT_EQ(norda::ui::FindDialogTemplate(module, id, chosen), ExactResource(RT_DIALOG, id, chosen)) << id;
}

TEST(LanguageChoice, LoadersFallBackToEnglish) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  const LANGID dutch = MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH);
  EXPECT_EQ(Printable(norda::ui::LoadResourceString(module, IDS_BANNER, dutch)),
            Printable(StringTable(kEnglish)[IDS_BANNER]));
  EXPECT_EQ(norda::ui::FindDialogTemplate(module, IDD_ERROR_REPORT, dutch),
            ExactResource(RT_DIALOG, IDD_ERROR_REPORT, kEnglish));
  EXPECT_EQ(norda::ui::LoadResourceString(module, 1609, 0x0407), u"") << "no such string";
  EXPECT_EQ(norda::ui::FindDialogTemplate(module, 101, kEnglish), nullptr) << "no such dialog";
}

}  // namespace
