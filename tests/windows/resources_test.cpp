// The program's resources as Windows reads them back from the executable: the
// English texts are the system's own, every language has every string and
// dialog, the translated dialogs keep the English layout, format strings keep
// their specifiers, texts fit their controls in the font each language's
// dialogs ask for, and the language is chosen as the program will choose it.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "resource.h"
#include "ui/language_choice.h"

namespace {

using norda::ui::kResourceLanguages;

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  return out;
}

// Window class names are compared without regard to case, as Windows does.
std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::u16string U16(const wchar_t* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }
const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// ---------------------------------------------------------------------------
// Reading resources of one exact language, independently of the program's
// loaders, so that a fallback to English cannot hide a missing translation.

const void* ExactResource(LPCWSTR type, UINT name, LANGID language, DWORD* size = nullptr) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
  if (!found) {
    return nullptr;
  }
  if (size) {
    *size = SizeofResource(module, found);
  }
  return LockResource(LoadResource(module, found));
}

// Every string of the table in one language, by id.
std::map<UINT, std::u16string> StringTable(LANGID language) {
  std::map<UINT, std::u16string> table;
  for (UINT block = 1; block <= 0x1000; ++block) {
    DWORD size = 0;
    const auto* units = static_cast<const char16_t*>(ExactResource(RT_STRING, block, language, &size));
    if (!units) {
      continue;
    }
    const char16_t* end = units + size / 2;
    for (UINT index = 0; index < 16 && units < end; ++index) {
      const std::size_t length = *units++;
      if (length) {
        table[(block - 1) * 16 + index] = std::u16string(units, length);
      }
      units += length;
    }
  }
  return table;
}

struct Control {
  DWORD id = 0;
  std::u16string className;
  std::u16string text;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD style = 0, exStyle = 0;
};

struct Dialog {
  DWORD style = 0, exStyle = 0;
  short cx = 0, cy = 0;
  std::u16string caption;
  std::u16string face;
  WORD pointSize = 0;
  BYTE charset = 0;
  std::vector<Control> controls;
};

// Reads a DLGTEMPLATEEX as the resource compiler wrote it.
class TemplateReader {
 public:
  explicit TemplateReader(const void* data) : at_(static_cast<const BYTE*>(data)) {}
  WORD Word() { WORD v; std::memcpy(&v, at_, 2); at_ += 2; return v; }
  DWORD Dword() { DWORD v; std::memcpy(&v, at_, 4); at_ += 4; return v; }
  short Short() { return static_cast<short>(Word()); }
  BYTE Byte() { return *at_++; }
  std::u16string String() {
    std::u16string s;
    for (WORD unit = Word(); unit; unit = Word()) s += static_cast<char16_t>(unit);
    return s;
  }
  // A name or an ordinal; ordinals come back as "#<number>".
  std::u16string StringOrOrdinal() {
    WORD first;
    std::memcpy(&first, at_, 2);
    if (first == 0xFFFF) {
      at_ += 2;
      return u"#" + ToU16(std::to_string(Word()));
    }
    return String();
  }
  void AlignDword(const void* base) {
    auto offset = static_cast<std::size_t>(at_ - static_cast<const BYTE*>(base));
    at_ += (4 - offset % 4) % 4;
  }
  void Skip(std::size_t bytes) { at_ += bytes; }

  static std::u16string ToU16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

 private:
  const BYTE* at_;
};

std::u16string ClassName(const std::u16string& raw) {
  static const std::map<std::u16string, std::u16string> ordinals = {
      {u"#128", u"Button"}, {u"#129", u"Edit"}, {u"#130", u"Static"},
      {u"#131", u"ListBox"}, {u"#132", u"ScrollBar"}, {u"#133", u"ComboBox"}};
  auto found = ordinals.find(raw);
  return found == ordinals.end() ? raw : found->second;
}

bool ReadDialog(UINT id, LANGID language, Dialog* dialog) {
  const void* data = ExactResource(RT_DIALOG, id, language);
  if (!data) {
    return false;
  }
  TemplateReader in(data);
  if (in.Word() != 1 || in.Word() != 0xFFFF) {
    ADD_FAILURE() << "dialog " << id << " is not a DIALOGEX template";
    return false;
  }
  in.Dword();  // help id
  dialog->exStyle = in.Dword();
  dialog->style = in.Dword();
  const WORD count = in.Word();
  in.Short();
  in.Short();
  dialog->cx = in.Short();
  dialog->cy = in.Short();
  in.StringOrOrdinal();  // menu
  in.StringOrOrdinal();  // window class
  dialog->caption = in.String();
  if (dialog->style & DS_SETFONT) {
    dialog->pointSize = in.Word();
    in.Word();  // weight
    in.Byte();  // italic
    dialog->charset = in.Byte();
    dialog->face = in.String();
  }
  for (WORD i = 0; i < count; ++i) {
    in.AlignDword(data);
    Control c;
    in.Dword();  // help id
    c.exStyle = in.Dword();
    c.style = in.Dword();
    c.x = in.Short();
    c.y = in.Short();
    c.cx = in.Short();
    c.cy = in.Short();
    c.id = in.Dword();
    c.className = ClassName(in.StringOrOrdinal());
    c.text = in.StringOrOrdinal();
    in.Skip(in.Word());
    dialog->controls.push_back(c);
  }
  return true;
}

// ---------------------------------------------------------------------------
// The fifteen languages, their dialog fonts, and what the program's English
// texts are.

struct Language {
  LANGID id;
  const char* name;
  const char16_t* face;
  WORD pointSize;
};

void PrintTo(const Language& language, std::ostream* out) { *out << language.name; }

const Language kLanguages[] = {
    {0x0404, "zh_TW", u"PMingLiU", 9},     {0x0804, "zh_CN", u"SimSun", 9},
    {0x0405, "cs_CZ", u"MS Shell Dlg", 8}, {0x0407, "de_DE", u"MS Shell Dlg", 8},
    {0x0409, "en_US", u"MS Sans Serif", 8}, {0x040C, "fr_FR", u"MS Shell Dlg", 8},
    {0x040E, "hu_HU", u"MS Shell Dlg", 8}, {0x0410, "it_IT", u"MS Shell Dlg", 8},
    {0x0411, "ja_JP", u"MS UI Gothic", 9}, {0x0412, "ko_KR", u"Gulim", 9},
    {0x0415, "pl_PL", u"MS Shell Dlg", 8}, {0x0416, "pt_BR", u"MS Shell Dlg", 8},
    {0x0419, "ru_RU", u"MS Shell Dlg", 8}, {0x041F, "tr_TR", u"MS Shell Dlg", 8},
    {0x0C0A, "es_ES", u"MS Shell Dlg", 8},
};

constexpr UINT kStringIds[] = {
    IDS_ABOUTBOX,        IDS_BANNER,          IDS_SENDING,          IDS_SEND_FAILED,
    IDS_SEND_SUCCEEDED,  IDS_PACK_FAILED,     IDS_CONNECT_FAILED,   IDS_CONTENTS_BANNER,
    IDS_OPEN_FILE_FAILED, IDS_RECOVERY_BEFORE, IDS_RECOVERY_AFTER,  IDS_RECOVERY_CAPTION,
    IDS_USER_TEXT_FAILED, IDS_COLUMN_SEND,    IDS_COLUMN_NAME,      IDS_COLUMN_DESCRIPTION,
    IDS_COLUMN_TYPE,     IDS_COLUMN_SIZE,     IDS_LIST_EMPTY,       IDS_APP_TITLE,
};
// Texts that are the same in every language.
constexpr UINT kUntranslatedIds[] = {IDS_COLUMN_SEND, IDS_COLUMN_NAME, IDS_COLUMN_DESCRIPTION,
                                     IDS_COLUMN_TYPE, IDS_COLUMN_SIZE, IDS_APP_TITLE};

constexpr UINT kDialogIds[] = {IDD_ABOUTBOX, IDD_ERROR_REPORT, IDD_REPORT_CONTENTS};

TEST(EnglishResources, StringsAreTheProgramsOwnTexts) {
  const std::map<UINT, std::u16string> expected = {
      {101, u"About NordaErrorDialog(&A)..."},
      {1590, u"%s has encountered a problem and needs to close. We are sorry for the inconvenience."},
      {1592, u"The error report was not sent.  Please send the file\r\n    '%s'\r\nto %s."},
      {1593, u"Error Report successfully sent. \r\nThank you."},
      {1596, u"    Please uncheck any files you do not wish to send."},
      {1597, u"Open File Failed\uFF01"},
      {1598, u"NORDA+ can not continue, but all you have done except the last operation, can be saved to "},
      {1599, u". You can open or repair the document. Do you really need NORDA+ to try to save it?"},
      {1600, u"NORDA+ WARNING!"},
      {1602, u"Send"},
      {1603, u"Name"},
      {1604, u"Description"},
      {1605, u"Type"},
      {1606, u"Size"},
      {1607, u"There are no items to show in this view."},
  };
  const auto table = StringTable(kEnglish);
  for (const auto& [id, text] : expected) {
    auto found = table.find(id);
    ASSERT_NE(found, table.end()) << "string " << id;
    EXPECT_EQ(Narrow(found->second), Narrow(text)) << "string " << id;
  }
}

struct ExpectedControl {
  int id;
  const char16_t* className;
  const char16_t* text;
  short x, y, cx, cy;
  DWORD styleBits;  // these bits at least
};

void ExpectDialog(UINT dialogId, const char16_t* caption, const std::vector<ExpectedControl>& expected) {
  Dialog dialog;
  ASSERT_TRUE(ReadDialog(dialogId, kEnglish, &dialog)) << "dialog " << dialogId;
  EXPECT_EQ(Narrow(dialog.caption), Narrow(caption));
  EXPECT_EQ(Narrow(dialog.face), "MS Sans Serif");
  EXPECT_EQ(dialog.pointSize, 8);
  ASSERT_EQ(dialog.controls.size(), expected.size()) << "dialog " << dialogId;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Control& c = dialog.controls[i];
    const ExpectedControl& e = expected[i];
    SCOPED_TRACE("dialog " + std::to_string(dialogId) + " control " + std::to_string(i));
    EXPECT_EQ(static_cast<int>(static_cast<WORD>(c.id)), static_cast<int>(static_cast<WORD>(e.id)));
    EXPECT_EQ(Upper(Narrow(c.className)), Upper(Narrow(e.className)));
    EXPECT_EQ(Narrow(c.text), Narrow(e.text));
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.cx, e.cx);
    EXPECT_EQ(c.cy, e.cy);
    EXPECT_EQ(c.style & e.styleBits, e.styleBits) << std::hex << c.style;
  }
}

TEST(EnglishResources, ErrorReportDialogIsAsDesigned) {
  constexpr DWORD kEditStyle = ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL |
                               WS_HSCROLL | WS_BORDER | WS_TABSTOP;
  ExpectDialog(IDD_ERROR_REPORT, u"NORDA Error Report",
               {
                   {41518, u"Static", u"", 0, 0, 227, 35, 0},
                   {41519, u"Static", u"", 239, 0, 50, 35, SS_NOTIFY},
                   {-1, u"Static", u"#141", 253, 7, 21, 21, SS_ICON},
                   {-1, u"Static", u"", 0, 35, 295, 1, SS_ETCHEDHORZ},
                   {41520, u"Static",
                    u"You may try to save your changes, if the application is still responsive.", 15, 45, 260,
                    16, 0},
                   {-1, u"Static",
                    u"We have created an error report that you can send to us.  We will treat this report as "
                    u"confidential and anonymous.",
                    15, 61, 260, 16, 0},
                   {-1, u"Static",
                    u"To help us diagnose the cause of this error and improve this software, please describe "
                    u"what you were doing when this error occurred, and send this report to us.",
                    15, 85, 261, 16, 0},
                   {-1, u"Static", u"Describe what you were doing when the error occurred  (optional):", 15, 109,
                    260, 8, 0},
                   {41521, u"Edit", u"", 14, 123, 264, 79, kEditStyle},
                   {-1, u"Static",
                    u"The contents sending now may contain the information of the drawing being manipulated.", 15,
                    208, 157, 28, 0},
                   {41522, u"Static", u"Click here", 175, 207, 101, 10, 0},
                   {-1, u"Static", u"to select contains to send", 175, 216, 98, 18, 0},
                   {-1, u"Static", u"", 0, 241, 294, 0, SS_ETCHEDHORZ},
                   {41524, u"Button", u"Don't Send", 146, 243, 50, 14, WS_TABSTOP},
                   {41523, u"Button", u"Send Error Report", 206, 243, 76, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
               });
  Dialog dialog;
  ASSERT_TRUE(ReadDialog(IDD_ERROR_REPORT, kEnglish, &dialog));
  constexpr DWORD kFrame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  EXPECT_EQ(dialog.style & kFrame, kFrame);
  EXPECT_TRUE(dialog.exStyle & WS_EX_APPWINDOW) << "shown in the task bar";
}

TEST(EnglishResources, ReportContentsDialogIsAsDesigned) {
  ExpectDialog(IDD_REPORT_CONTENTS, u"Error Report Contents",
               {
                   {41526, u"Static", u"", 0, 0, 351, 16, 0},
                   {41527, u"SysListView32", u"", 0, 16, 351, 85,
                    LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP},
                   {-1, u"Static", u"Double-click a file to view its contents.", 2, 101, 130, 8, 0},
                   {-1, u"Static", u"Name:", 2, 116, 42, 8, SS_RIGHT},
                   {41528, u"Static", u"", 51, 116, 182, 8, 0},
                   {-1, u"Static", u"Description:", 239, 116, 45, 8, SS_RIGHT},
                   {41529, u"Static", u"", 290, 116, 52, 8, 0},
                   {41530, u"Edit", u"", 0, 128, 351, 152,
                    ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_BORDER |
                        WS_TABSTOP},
                   {IDOK, u"Button", u"Close", 297, 284, 50, 14, BS_DEFPUSHBUTTON},
               });
  Dialog dialog;
  ASSERT_TRUE(ReadDialog(IDD_REPORT_CONTENTS, kEnglish, &dialog));
  EXPECT_EQ(dialog.cx, 350);
  EXPECT_EQ(dialog.cy, 300);
}

TEST(EnglishResources, AboutDialogShowsIconVersionLineAndOk) {
  Dialog dialog;
  ASSERT_TRUE(ReadDialog(IDD_ABOUTBOX, kEnglish, &dialog));
  EXPECT_EQ(Narrow(dialog.caption), "About NordaErrorDialog");
  std::vector<std::string> texts;
  for (const Control& c : dialog.controls) texts.push_back(Narrow(c.text));
  EXPECT_EQ(texts, (std::vector<std::string>{"#128", "NordaErrorDialog 1.0 Version", "OK"}));
  EXPECT_EQ(dialog.controls.back().id, static_cast<DWORD>(IDOK));
}

// ---------------------------------------------------------------------------
// Every language against English.

class EachLanguage : public testing::TestWithParam<Language> {};

TEST_P(EachLanguage, HasEveryString) {
  const auto table = StringTable(GetParam().id);
  for (UINT id : kStringIds) {
    auto found = table.find(id);
    EXPECT_TRUE(found != table.end() && !found->second.empty()) << "string " << id;
  }
}

TEST_P(EachLanguage, TranslatesWhatIsTranslated) {
  if (GetParam().id == kEnglish) GTEST_SKIP() << "the original";
  const auto english = StringTable(kEnglish);
  const auto table = StringTable(GetParam().id);
  for (UINT id : kStringIds) {
    const bool same = table.count(id) && table.at(id) == english.at(id);
    const bool untranslated = std::count(std::begin(kUntranslatedIds), std::end(kUntranslatedIds), id) > 0;
    EXPECT_EQ(same, untranslated) << "string " << id << ": " << Narrow(table.count(id) ? table.at(id) : u"");
  }
  for (UINT dialogId : kDialogIds) {
    Dialog ours, theirs;
    ASSERT_TRUE(ReadDialog(dialogId, GetParam().id, &ours));
    ASSERT_TRUE(ReadDialog(dialogId, kEnglish, &theirs));
    EXPECT_NE(ours.caption, theirs.caption) << "dialog " << dialogId;
    for (std::size_t i = 0; i < ours.controls.size() && i < theirs.controls.size(); ++i) {
      // Short labels ("Name:", "OK") may well be the same word in another language.
      if (theirs.controls[i].text.size() > 12) {
        EXPECT_NE(ours.controls[i].text, theirs.controls[i].text) << Narrow(ours.controls[i].text);
      }
    }
  }
}

// The printf conversions of a text, in order.
std::vector<std::u16string> Conversions(const std::u16string& text) {
  std::vector<std::u16string> out;
  for (std::size_t at = text.find(u'%'); at != std::u16string::npos; at = text.find(u'%', at + 2)) {
    out.push_back(text.substr(at, 2));
  }
  return out;
}

std::size_t CountLineBreaks(const std::u16string& text) {
  std::size_t count = 0;
  for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at + 2)) ++count;
  return count;
}

TEST_P(EachLanguage, KeepsFormatsLineBreaksAndBlanksTheCodeReliesOn) {
  const auto english = StringTable(kEnglish);
  const auto table = StringTable(GetParam().id);
  for (UINT id : kStringIds) {
    if (!table.count(id)) continue;
    const std::u16string& text = table.at(id);
    EXPECT_EQ(Conversions(text), Conversions(english.at(id))) << "string " << id << ": " << Narrow(text);
    EXPECT_EQ(CountLineBreaks(text), CountLineBreaks(english.at(id))) << "string " << id;
    for (std::size_t at = text.find(u'\n'); at != std::u16string::npos; at = text.find(u'\n', at + 1)) {
      EXPECT_TRUE(at > 0 && text[at - 1] == u'\r') << "a line feed without carriage return in string " << id;
    }
  }
  // The archive path of the send failure stands indented on a line of its own.
  EXPECT_NE(table.at(IDS_SEND_FAILED).find(u"\r\n    '%s'\r\n"), std::u16string::npos);
  EXPECT_NE(table.at(IDS_USER_TEXT_FAILED).find(u"\r\n    '%s'"), std::u16string::npos);
  // The contents banner is drawn from the control's left edge: the blanks are its margin.
  EXPECT_EQ(table.at(IDS_CONTENTS_BANNER).substr(0, 5).find_first_not_of(u' '), 4u);
  // The recovery question is the two texts with the path in between.
  EXPECT_EQ(table.at(IDS_RECOVERY_BEFORE).back(), u' ');
  EXPECT_NE(table.at(IDS_RECOVERY_AFTER).front(), u' ');
  // The system menu item carries its access key.
  EXPECT_NE(table.at(IDS_ABOUTBOX).find(u'&'), std::u16string::npos);
}

TEST_P(EachLanguage, DialogsKeepTheEnglishLayout) {
  for (UINT dialogId : kDialogIds) {
    SCOPED_TRACE("dialog " + std::to_string(dialogId));
    Dialog ours, english;
    ASSERT_TRUE(ReadDialog(dialogId, GetParam().id, &ours));
    ASSERT_TRUE(ReadDialog(dialogId, kEnglish, &english));
    EXPECT_EQ(ours.style, english.style);
    EXPECT_EQ(ours.exStyle, english.exStyle);
    EXPECT_EQ(ours.cx, english.cx);
    EXPECT_EQ(ours.cy, english.cy);
    EXPECT_FALSE(ours.caption.empty());
    EXPECT_EQ(Narrow(ours.face), Narrow(GetParam().face));
    EXPECT_EQ(ours.pointSize, GetParam().pointSize);
    EXPECT_EQ(ours.charset, DEFAULT_CHARSET);
    ASSERT_EQ(ours.controls.size(), english.controls.size());
    for (std::size_t i = 0; i < ours.controls.size(); ++i) {
      const Control& a = ours.controls[i];
      const Control& b = english.controls[i];
      SCOPED_TRACE("control " + std::to_string(i) + " " + Narrow(b.text));
      EXPECT_EQ(a.id, b.id);
      EXPECT_EQ(Upper(Narrow(a.className)), Upper(Narrow(b.className)));
      EXPECT_EQ(a.x, b.x);
      EXPECT_EQ(a.y, b.y);
      EXPECT_EQ(a.cx, b.cx);
      EXPECT_EQ(a.cy, b.cy);
      EXPECT_EQ(a.style, b.style);
      EXPECT_EQ(a.exStyle, b.exStyle);
      EXPECT_EQ(a.text.empty(), b.text.empty());
      if (!b.text.empty() && b.text.front() == u'#') {
        EXPECT_EQ(a.text, b.text) << "the same icon";
      }
    }
  }
}

// Windows draws a left- or right-aligned static with DrawText, word-wrapped,
// and cuts what falls outside the control; a push button draws one line.
struct Fit {
  bool fits;
  SIZE needed;
  SIZE room;
};

// The font that Windows substitutes for a dialog font differs between
// systems (and between Wine's locales) by a few per cent: texts must fit
// with this much of their control's width to spare.
constexpr int kSparePercent = 5;

Fit MeasureText(HWND control, const std::u16string& text, int leftMargin, int topMargin, UINT flags) {
  RECT client;
  GetClientRect(control, &client);
  const SIZE room = {client.right - leftMargin - client.right * kSparePercent / 100, client.bottom - topMargin};
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT needed = {0, 0, room.cx, 0};
  DrawTextW(dc, W(text), -1, &needed, flags | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  const SIZE size = {needed.right, needed.bottom};
  return {size.cx <= room.cx && size.cy <= room.cy, size, room};
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::u16string WindowText(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return U16(buffer);
}

std::u16string ClassOf(HWND window) {
  wchar_t buffer[64] = {};
  GetClassNameW(window, buffer, 64);
  return U16(buffer);
}

void ExpectFits(const Fit& fit, const std::string& what) {
  EXPECT_TRUE(fit.fits) << what << ": needs " << fit.needed.cx << "x" << fit.needed.cy << " px, has "
                        << fit.room.cx << "x" << fit.room.cy;
}

bool IsChineseJapaneseOrKorean(LANGID language) {
  const WORD primary = PRIMARYLANGID(language);
  return primary == LANG_CHINESE || primary == LANG_JAPANESE || primary == LANG_KOREAN;
}

TEST_P(EachLanguage, TextsFitTheirControls) {
  // Wine links a font with Chinese, Japanese and Korean glyphs into the dialog
  // fonts only when the user's language is one of those; elsewhere these texts
  // would be measured with empty boxes. So the run under a Western language
  // measures the Western dialogs, and a run under Japanese the other four.
  if (IsChineseJapaneseOrKorean(GetParam().id) != IsChineseJapaneseOrKorean(GetUserDefaultUILanguage())) {
    GTEST_SKIP() << "measured in the run under " << (IsChineseJapaneseOrKorean(GetParam().id) ? "Japanese" : "English");
  }
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  const auto strings = StringTable(GetParam().id);
  for (UINT dialogId : kDialogIds) {
    HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr),
        reinterpret_cast<const DLGTEMPLATE*>(ExactResource(RT_DIALOG, dialogId, GetParam().id)), nullptr,
        QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << "dialog " << dialogId;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::u16string text = WindowText(child);
      const std::u16string cls = ClassOf(child);
      const LONG style = GetWindowLongW(child, GWL_STYLE);
      const int id = GetDlgCtrlID(child);
      const std::string what = "dialog " + std::to_string(dialogId) + " control " + std::to_string(id) + " \"" +
                               Narrow(text) + "\"";
      if (id == IDC_BANNER_TITLE) {
        // The banner shows string 1590 around the failed application's name,
        // 22 pixels in from the left and 8 down.
        std::u16string banner = strings.at(IDS_BANNER);
        banner.replace(banner.find(u"%s"), 2, u"NORDA+ CAD");
        ExpectFits(MeasureText(child, banner, 22, 8, DT_WORDBREAK | DT_NOPREFIX), what);
      } else if (id == IDC_CONTENTS_BANNER) {
        ExpectFits(MeasureText(child, strings.at(IDS_CONTENTS_BANNER), 0, 4, DT_WORDBREAK | DT_NOPREFIX), what);
      } else if (text.empty()) {
        continue;
      } else if (_wcsicmp(W(cls), L"Button") == 0) {
        // Room for the button's frame on both sides.
        Fit fit = MeasureText(child, text, 4, 0, DT_SINGLELINE);
        ExpectFits(fit, what);
      } else if (id == IDC_SAVE_HINT) {
        // The next paragraph follows right below: one line keeps a blank line between them.
        Fit fit = MeasureText(child, text, 0, 0, DT_WORDBREAK | DT_EXPANDTABS);
        const Fit oneLine = MeasureText(child, u"Ag", 0, 0, DT_SINGLELINE);
        fit.fits = fit.fits && fit.needed.cy <= oneLine.needed.cy;
        ExpectFits(fit, what + " on one line");
      } else if (GetParam().id == kEnglish && text.rfind(u"To help us diagnose", 0) == 0) {
        // The English text and this control's size are both given; the text
        // needs a third line there, which the control cuts.
        continue;
      } else if (_wcsicmp(W(cls), L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) {
        const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        ExpectFits(MeasureText(child, text, 0, 0, DT_WORDBREAK | DT_EXPANDTABS | prefix), what);
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

TEST(Resources, ExactlyTheFifteenLanguagesExist) {
  std::vector<LANGID> found;
  EnumResourceLanguagesW(GetModuleHandleW(nullptr), RT_DIALOG, MAKEINTRESOURCEW(IDD_ERROR_REPORT),
                         CollectLanguage, reinterpret_cast<LONG_PTR>(&found));
  std::vector<LANGID> expected(kResourceLanguages.begin(), kResourceLanguages.end());
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  ASSERT_EQ(std::size(kLanguages), kResourceLanguages.size());
}

// The resource compiler reads the .rc files as UTF-8; a wrong code page turns
// every non-ASCII character into something else.
TEST(Resources, NonAsciiTextsComeOutAsWritten) {
  struct Case {
    LANGID language;
    UINT id;
    const char16_t* text;
  } cases[] = {
      {0x0409, IDS_OPEN_FILE_FAILED, u"Open File Failed\uFF01"},
      {0x0407, IDS_OPEN_FILE_FAILED, u"Die Datei konnte nicht ge\u00F6ffnet werden!"},
      {0x0419, IDS_RECOVERY_CAPTION, u"\u041F\u0420\u0415\u0414\u0423\u041F\u0420\u0415\u0416\u0414\u0415\u041D"
                                     u"\u0418\u0415 NORDA+!"},
      {0x0411, IDS_OPEN_FILE_FAILED, u"\u30D5\u30A1\u30A4\u30EB\u3092\u958B\u3051\u307E\u305B\u3093\u3067\u3057"
                                     u"\u305F\uFF01"},
      {0x0804, IDS_RECOVERY_CAPTION, u"NORDA+ \u8B66\u544A\uFF01"},
      {0x0404, IDS_RECOVERY_CAPTION, u"NORDA+ \u8B66\u544A\uFF01"},
      {0x0412, IDS_RECOVERY_CAPTION, u"NORDA+ \uACBD\uACE0!"},
      {0x0405, IDS_RECOVERY_CAPTION, u"UPOZORN\u011AN\u00CD NORDA+!"},
      {0x041F, IDS_OPEN_FILE_FAILED, u"Dosya a\u00E7\u0131lamad\u0131!"},
  };
  for (const Case& c : cases) {
    const auto table = StringTable(c.language);
    ASSERT_TRUE(table.count(c.id));
    EXPECT_EQ(Narrow(table.at(c.id)), Narrow(c.text)) << std::hex << c.language;
  }
  for (const Language& language : kLanguages) {
    for (const auto& [id, text] : StringTable(language.id)) {
      EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos) << language.name << " string " << id;
    }
  }
}

// ---------------------------------------------------------------------------
// The language-neutral resources.

TEST(CommonResources, IconsHoldSixteenThirtyTwoAndFortyEightPixelImages) {
  for (UINT id : {IDR_MAINFRAME, IDI_ERROR_REPORT}) {
    const auto* group = static_cast<const BYTE*>(ExactResource(RT_GROUP_ICON, id, MAKELANGID(LANG_NEUTRAL, 0)));
    ASSERT_NE(group, nullptr) << "icon " << id;
    WORD count;
    std::memcpy(&count, group + 4, 2);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
      const BYTE* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY
      WORD bits;
      std::memcpy(&bits, entry + 6, 2);
      EXPECT_EQ(bits, 32);
      sizes.push_back(entry[0]);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48})) << "icon " << id;
    for (int size : {16, 32, 48}) {
      HICON icon = static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr) << size;
      ICONINFO info;
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP bitmap;
      GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
      EXPECT_EQ(bitmap.bmWidth, size);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST(CommonResources, HeaderImagesAreBlankEmptyBoxAndTickedBox) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_HEADER_IMAGES), IMAGE_BITMAP, 0, 0,
                 LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info;
  GetObjectW(bitmap, sizeof info, &info);
  ASSERT_EQ(info.bmWidth, 3 * HEADER_IMAGE_SIZE);
  ASSERT_EQ(info.bmHeight, HEADER_IMAGE_SIZE);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  auto count = [&](int image, auto predicate) {
    int n = 0;
    for (int y = 0; y < HEADER_IMAGE_SIZE; ++y)
      for (int x = 0; x < HEADER_IMAGE_SIZE; ++x) n += predicate(GetPixel(dc, image * HEADER_IMAGE_SIZE + x, y));
    return n;
  };
  const auto transparent = [](COLORREF c) { return c == RGB(255, 0, 255); };
  const auto white = [](COLORREF c) { return c == RGB(255, 255, 255); };
  const auto dark = [](COLORREF c) { return GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64; };
  EXPECT_EQ(count(0, transparent), 256) << "image 0 is blank";
  EXPECT_GT(count(1, white), 80) << "image 1 is a box";
  EXPECT_EQ(count(1, dark), 0) << "image 1 has no tick";
  EXPECT_EQ(count(1, transparent), count(2, transparent)) << "the same box";
  EXPECT_EQ(count(2, dark), 21) << "image 2 has the tick, seven strokes of three pixels";
  SelectObject(dc, old);
  DeleteDC(dc);
  // The image list as the contents dialog will make it: magenta is transparent.
  HIMAGELIST list = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_HEADER_IMAGES),
                                         HEADER_IMAGE_SIZE, 0, HEADER_IMAGE_MASK_COLOR, IMAGE_BITMAP, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  ImageList_Destroy(list);
  DeleteObject(bitmap);
}

std::u16string ThisProgram() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return U16(path);
}

TEST(CommonResources, VersionResourceNamesTheProgram) {
  const std::u16string path = ThisProgram();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(W(path), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(W(path), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT chars = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    return VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &chars) && text
               ? Narrow(U16(text))
               : std::string("<none>");
  };
  EXPECT_EQ(value(L"FileDescription"), "NordaErrorDialog");
  EXPECT_EQ(value(L"ProductName"), "NordaErrorDialog");
  EXPECT_EQ(value(L"FileVersion"), "1.0.0.0");
}

TEST(CommonResources, ManifestBringsCommonControlsSix) {
  DWORD size = 0;
  const char* manifest =
      static_cast<const char*>(ExactResource(RT_MANIFEST, 1, MAKELANGID(LANG_NEUTRAL, 0), &size));
  ASSERT_NE(manifest, nullptr);
  const std::string text(manifest, size);
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(text.find(">true</dpiAware>"), std::string::npos);
  for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                         "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(text.find(os), std::string::npos) << os;
  }
  // The system honoured it: the common controls of this process are the
  // side-by-side version 6 (Wine reports 5.81 for it, so its path tells).
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(comctl, path, MAX_PATH);
  auto getVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  ASSERT_NE(getVersion, nullptr);
  DLLVERSIONINFO version = {};
  version.cbSize = sizeof version;
  ASSERT_EQ(getVersion(&version), S_OK);
  std::wstring lower(path);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
  const bool sideBySide = lower.find(L"\\winsxs\\") != std::wstring::npos;
  EXPECT_TRUE(version.dwMajorVersion >= 6 || sideBySide)
      << Narrow(U16(path)) << " version " << version.dwMajorVersion << "." << version.dwMinorVersion;
}

// ---------------------------------------------------------------------------
// The language the program shows.

TEST(LanguageChoice, EachUserLanguageGetsItsOwnOrEnglish) {
  const struct {
    LANGID ui;
    LANGID shown;
  } cases[] = {
      {0x0407, 0x0407}, {0x0C07, 0x0407}, {0x0807, 0x0407},  // German: Germany, Austria, Switzerland
      {0x0416, 0x0416}, {0x0816, 0x0416},                    // Portuguese: Brazil, Portugal
      {0x0404, 0x0404}, {0x0C04, 0x0404}, {0x1404, 0x0404}, {0x7C04, 0x0404},  // Traditional Chinese
      {0x0804, 0x0804}, {0x1004, 0x0804}, {0x0004, 0x0804},                    // Simplified Chinese
      {0x0C0A, 0x0C0A}, {0x040A, 0x0C0A}, {0x080A, 0x0C0A},                    // Spanish
      {0x040C, 0x040C}, {0x0C0C, 0x040C}, {0x0410, 0x0410}, {0x0810, 0x0410},
      {0x0405, 0x0405}, {0x040E, 0x040E}, {0x0411, 0x0411}, {0x0412, 0x0412},
      {0x0415, 0x0415}, {0x0419, 0x0419}, {0x041F, 0x041F},
      {0x0409, 0x0409}, {0x0809, 0x0409},  // English
      {0x0413, 0x0409}, {0x041D, 0x0409}, {0x0422, 0x0409}, {0x041B, 0x0409},  // Dutch, Swedish, Ukrainian, Slovak
      {0x0000, 0x0409}, {0x0401, 0x0409},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(norda::ui::ResourceLanguageFor(c.ui), c.shown) << std::hex << c.ui;
  }
  for (LANGID language : kResourceLanguages) {
    EXPECT_EQ(norda::ui::ResourceLanguageFor(language), language) << std::hex << language;
  }
}

// Run once in the test prefix's own language and again under other user
// languages (NORDA_EXPECTED_LANGUAGE says which resource language to expect).
TEST(LanguageChoice, FollowsTheSystemsUserInterfaceLanguage) {
  const LANGID chosen = norda::ui::ChooseResourceLanguage();
  EXPECT_EQ(chosen, norda::ui::ResourceLanguageFor(GetUserDefaultUILanguage()));
  if (const char* expected = std::getenv("NORDA_EXPECTED_LANGUAGE")) {
    EXPECT_EQ(chosen, static_cast<LANGID>(std::strtoul(expected, nullptr, 16)))
        << "user interface language " << std::hex << GetUserDefaultUILanguage();
  }
}

TEST(LanguageChoice, ResourcesComeInTheChosenLanguage) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  const LANGID chosen = norda::ui::ChooseResourceLanguage();
  norda::ui::UseResourceLanguage(chosen);
  const auto table = StringTable(chosen);
  for (UINT id : kStringIds) {
    EXPECT_EQ(Narrow(norda::ui::LoadResourceString(module, id, chosen)), Narrow(table.at(id))) << id;
  }
  for (UINT id : kDialogIds) {
    EXPECT_EQ(norda::ui::FindDialogTemplate(module, id, chosen), ExactResource(RT_DIALOG, id, chosen)) << id;
  }
  if (GetUserDefaultUILanguage() == chosen) {
    // The system's own lookup, which LoadString and DialogBox use, agrees.
    wchar_t buffer[512];
    ASSERT_GT(LoadStringW(module, IDS_BANNER, buffer, 512), 0);
    EXPECT_EQ(Narrow(U16(buffer)), Narrow(table.at(IDS_BANNER)));
  }
}

TEST(LanguageChoice, LoadersFallBackToEnglish) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  const LANGID dutch = MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH);
  EXPECT_EQ(Narrow(norda::ui::LoadResourceString(module, IDS_BANNER, dutch)),
            Narrow(StringTable(kEnglish).at(IDS_BANNER)));
  EXPECT_EQ(norda::ui::FindDialogTemplate(module, IDD_ERROR_REPORT, dutch),
            ExactResource(RT_DIALOG, IDD_ERROR_REPORT, kEnglish));
  EXPECT_EQ(norda::ui::LoadResourceString(module, 1589, kEnglish), u"") << "no such string";
  EXPECT_EQ(norda::ui::LoadResourceString(module, 1609, 0x0407), u"") << "no such string";
  EXPECT_EQ(norda::ui::FindDialogTemplate(module, 101, kEnglish), nullptr) << "no such dialog";
}

}  // namespace
