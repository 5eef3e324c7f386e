// The os layer and the text functions as the report session uses them, and the
// contents viewer's text test at its edges and its previews of nothing (its rows,
// dump and 64 KiB limit are read back from the real viewer: tests/e2e/contents_viewer.py).
#include <gtest/gtest.h>

#include "core/app/file_preview.h"
#include "core/support/file_size_text.h"
#include "core/support/text.h"
#include "os/code_page.h"
#include "os/file.h"
#include "os/files.h"
#include "os/folders.h"
#include "os/number_format.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

TEST(OsFiles, WholeFileWritesReplaceTheFileOrLeaveItAsItWas) {
  // The send record book is written this way: a refused write must change
  // nothing and leave no new file behind.
  ScratchFolder dir;
  const std::u16string path = dir / u"SendRecord.ini";
  ASSERT_TRUE(os::WriteWholeFile(path, "[Record1]\r\nSend or Not=NO\r\n"));
  ASSERT_TRUE(os::WriteWholeFile(path, "short"));
  EXPECT_EQ(ReadBytes(path), "short");
  {
    os::File reader = os::File::OpenForReading(path, os::Share::Read);
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_FALSE(os::WriteWholeFile(path, "while read")) << "a file held by a reader";
  }
  ASSERT_TRUE(os::SetFileAttributesTo(path, os::kAttrReadOnly));
  EXPECT_FALSE(os::WriteWholeFile(path, "over a read-only file"));
  ASSERT_TRUE(os::SetFileAttributesTo(path, os::kAttrArchive));
  EXPECT_EQ(ReadBytes(path), "short");
  EXPECT_FALSE(os::WriteWholeFile(dir / u"missing\\SendRecord.ini", "no folder"));
  EXPECT_FALSE(os::PathExists(path + os::kWritingSuffix));
  EXPECT_FALSE(os::WriteWholeFile(dir.Path(), "over a folder"));
  EXPECT_TRUE(os::FolderExists(dir.Path()));
  // A copy replaces an older, longer file; a missing source copies nothing.
  WriteBytes(dir / u"copy.ini", "older and longer");
  ASSERT_TRUE(os::CopyFileReplacing(path, dir / u"copy.ini"));
  EXPECT_FALSE(os::CopyFileReplacing(dir / u"missing", dir / u"copy.ini"));
  EXPECT_EQ(ReadBytes(dir / u"copy.ini"), "short");
}

// Round trips through the code page are the profile writes read back in
// fuzz/profile_file_fuzz.cpp. A character outside it becomes its default
// character, never nothing.
TEST(OsCodePage, ALoneSurrogateIsNotLost) {
  const char16_t lone[] = {0xD800, 0};
  EXPECT_FALSE(os::FromUtf16(lone, os::ThreadAnsiCodePage()).empty());
}

TEST(FileSizeText, KilobytesRoundedAndGrouped) {
  EXPECT_EQ(GroupedNumberText(1234567, u"\u00A0"), u"1\u00A0234\u00A0567");
  ScratchFolder dir;
  const std::u16string sep = os::LocaleNumberSeparators().thousands;
  struct SizeCase {
    std::size_t bytes;
    std::u16string text;
  } sizes[] = {
      {0, u""}, {1, u"1 KB "}, {511, u"1 KB "}, {1535, u"1 KB "}, {1536, u"2 KB "},
      {1234567, u"1" + sep + u"206 KB "},
  };
  for (const SizeCase& c : sizes) {
    const std::u16string path = dir / (u"f" + DecimalText(c.bytes));
    WriteBytes(path, std::string(c.bytes, 'x'));
    EXPECT_EQ(FileSizeText(path), c.text) << c.bytes << " bytes";
  }
  EXPECT_EQ(FileSizeText(dir / u"missing"), u"");
  EXPECT_EQ(FileSizeText(dir.Path()), u"") << "a folder has no size text";
  // A file held open has no size text: the file list leaves it out. Readers share with readers only.
  const std::u16string held = dir / u"f1";
  {
    os::File reader = os::File::OpenForReading(held, os::Share::Read);
    ASSERT_TRUE(reader.IsOpen());
    EXPECT_TRUE(os::File::OpenForReading(held, os::Share::Read).IsOpen());
    EXPECT_EQ(FileSizeText(held), u"") << "a file held by a reader";
  }
  os::File writer = os::File::OpenExistingForWriting(held);
  ASSERT_TRUE(writer.IsOpen());
  EXPECT_FALSE(os::File::OpenForReading(held, os::Share::Read).IsOpen());
  EXPECT_EQ(FileSizeText(held), u"") << "a file held by a writer";
  writer.Close();
  EXPECT_EQ(FileSizeText(held), u"1 KB ");
}

TEST(LooksLikeText, CountsUnprintableBytesInTheFirstHundred) {
  const struct {
    const char* what;
    std::string data;
    bool text;
  } cases[] = {
      {"tab, line feed, vertical tab, form feed, carriage return", "a\tb\nc\vd\fe\rf", true},
      {"DEL is unprintable", std::string(5, '\x7f'), false},
      {"five unprintable bytes after the first hundred", std::string(100, 'x') + std::string(5, '\0'), true},
      {"the fifth at byte 100", std::string(96, 'x') + std::string(5, '\x01'), true},
      {"the fifth at byte 99", std::string(95, 'x') + std::string(5, '\x01'), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LooksLikeText(reinterpret_cast<const unsigned char*>(c.data.data()), c.data.size()), c.text)
        << c.what;
  }
}

TEST(ReadFilePreview, TextEndsAtItsFirstZeroByteAndEmptyMissingOrHeldFilesShowNothing) {
  ScratchFolder dir;
  const std::u16string path = dir / u"held.log";
  WriteBytes(path, std::string("before\0after", 12));
  EXPECT_TRUE(ReadFilePreview(path).text == u"before");
  os::File writer = os::File::OpenExistingForWriting(path);
  ASSERT_TRUE(writer.IsOpen());
  EXPECT_EQ(ReadFilePreview(path).kind, FilePreview::Kind::Nothing);
  writer.Close();
  WriteBytes(path, "");
  EXPECT_EQ(ReadFilePreview(path).kind, FilePreview::Kind::Nothing);
  EXPECT_EQ(ReadFilePreview(dir / u"missing.txt").kind, FilePreview::Kind::Nothing);
}

// Trimming, decimal and message texts are checked where the program uses them,
// UTF-8 round trips by the profile writes read back in fuzz/profile_file_fuzz.cpp.
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
