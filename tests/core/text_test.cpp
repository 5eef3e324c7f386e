#include "core/support/text.h"

#include <gtest/gtest.h>

#include "core/support/format_text.h"

namespace norda {
namespace {

// Text helpers; trimming and decimal texts are checked where the profile
// paths, the recovery list, the numbered archives and records use them.
TEST(Text, Utf8RoundTripsThroughUtf16) {
  const std::string samples[] = {"", "plain", "Gr\xC3\xBC\xC3\x9F" "e", "\xE4\xB8\xAD\xE6\x96\x87",
                                 "\xF0\x9F\x98\x80 smile"};
  for (const std::string& s : samples) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");        // truncated
}

TEST(Text, CaseFoldingCoversTheLanguagesOfTheProgram) {
  EXPECT_TRUE(EqualsIgnoreCase(u"Record1", u"rECORD1"));
  EXPECT_TRUE(EqualsIgnoreCase(u"\u00C4RGER", u"\u00E4rger"));
  EXPECT_TRUE(EqualsIgnoreCase(u"\u0158\u00CDZEN\u00CD", u"\u0159\u00EDzen\u00ED"));
  EXPECT_TRUE(EqualsIgnoreCase(u"\u041E\u0422\u0427\u0401\u0422", u"\u043E\u0442\u0447\u0451\u0442"));
  EXPECT_FALSE(EqualsIgnoreCase(u"Record1", u"Record10"));
  EXPECT_FALSE(EqualsIgnoreCase(u"\u00D7", u"\u00F7"));
}

TEST(Text, PathPieces) {
  struct Case {
    std::u16string path, name, title, extension, folder;
  } cases[] = {
      {u"C:\\x\\Crash_20120101.log", u"Crash_20120101.log", u"Crash_20120101", u"log", u"C:\\x\\"},
      {u"crash.dmp", u"crash.dmp", u"crash", u"dmp", u""},
      {u"C:\\a.b\\noext", u"noext", u"noext", u"", u"C:\\a.b\\"},
      {u"C:\\dir\\", u"", u"", u"", u"C:\\dir\\"},
      {u"x\\archive.tar.gz", u"archive.tar.gz", u"archive.tar", u"gz", u"x\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileNamePart(c.path), c.name);
    EXPECT_EQ(FileTitle(c.path), c.title);
    EXPECT_EQ(ExtensionWithoutDot(c.path), c.extension);
    EXPECT_EQ(FolderPart(c.path), c.folder);
  }
}

TEST(Text, CutToUnitsKeepsSurrogatePairsWhole) {
  EXPECT_EQ(CutToUnits(u"abcdef", 4), u"abcd");
  EXPECT_EQ(CutToUnits(u"abc", 4), u"abc");
  const std::u16string smile = u"ab\U0001F600";  // a, b, then a surrogate pair
  EXPECT_EQ(CutToUnits(smile, 3), u"ab");
  EXPECT_EQ(CutToUnits(smile, 4), smile);
}

TEST(FormatText, FillsPercentSInOrder) {
  struct Case {
    std::u16string format;
    std::vector<std::u16string> arguments;
    std::u16string text;
  } cases[] = {
      {u"%s has encountered a problem", {u"NORDA.EXE"}, u"NORDA.EXE has encountered a problem"},
      {u"send the file\r\n    '%s'\r\nto %s.", {u"C:\\a.zip", u"x@y"},
       u"send the file\r\n    'C:\\a.zip'\r\nto x@y."},
      {u"100%% sure %s", {u"now"}, u"100% sure now"},
      {u"%s and %s", {u"one"}, u"one and "},
      {u"%d stays, %", {}, u"%d stays, %"},
      {u"no places", {u"unused"}, u"no places"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatText(c.format, c.arguments), c.text);
}

}  // namespace
}  // namespace norda
