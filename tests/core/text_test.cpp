#include "core/support/text.h"

#include <gtest/gtest.h>

namespace norda {
namespace {

// Text helpers. Trimming, decimal texts, path pieces and message texts are
// checked where the profile paths, the recovery list, the archive names, the
// numbered records and the real program's messages use them.
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
      {u"x\\archive.tar.gz", u"archive.tar.gz", u"archive.tar", u"gz", u"x\\"},
      {u"C:/x/crash.log", u"crash.log", u"crash", u"log", u"C:/x/"},  // "/" separates as on Windows
      {u"C:\\x.y/crash", u"crash", u"crash", u"", u"C:\\x.y/"},
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

}  // namespace
}  // namespace norda
