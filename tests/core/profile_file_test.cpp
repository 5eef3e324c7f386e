// The profile file reader and writer. The expected results here are what the
// Windows profile functions give for the same files; the Windows test
// profile_conformance_test compares the two directly on a larger table.
#include "core/support/profile_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/support/text.h"
#include "os/code_page.h"
#include "os/files.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
using test::Utf16LeBytes;
using test::WriteBytes;

constexpr char16_t kUntouched = 0x7777;

struct ReadResult {
  std::size_t count;
  std::u16string text;  // up to the first zero
  bool terminated;      // a zero at text.size() inside the buffer
};

ReadResult Read(const std::u16string& path, std::u16string_view section, std::u16string_view key,
                std::u16string_view defaultValue, std::size_t size) {
  std::u16string buffer(size + 1, kUntouched);
  const std::size_t count = ProfileReadString(section, key, defaultValue, buffer.data(), size, path);
  const size_t zero = buffer.find(u'\0');
  const bool terminated = zero != std::u16string::npos && zero < size;
  EXPECT_EQ(buffer[size], kUntouched) << "wrote past the buffer";
  return {count, terminated ? buffer.substr(0, zero) : buffer, terminated};
}

// One file, many reads.
const char kSample[] =
    "top=above every section\r\n"
    "[Sec]\r\n"
    "  key1  =  value 1  \r\n"
    ";comment=c\r\n"
    "noequals\r\n"
    "\r\n"
    "\r\n"
    "=first nameless\r\n"
    "=second nameless\r\n"
    "key1=duplicate\r\n"
    "empty=\r\n"
    "quoted=\"abc\"\r\n"
    "single='abc'\r\n"
    "mixed=\"abc'\r\n"
    "lone=\"\r\n"
    "pair=\"\"\r\n"
    "inner=\"a\"b\"\r\n"
    "spaced =  \"x y\"  \r\n"
    "equals=a=b\r\n"
    "[ sec ]\r\n"
    "k2=shadowed by the first Sec\r\n"
    "[a]b]c\r\n"
    "k3=after the last bracket\r\n"
    "[]\r\n"
    "k4=nameless section\r\n"
    "[unclosed\r\n"
    "k5=in the nameless section\r\n"
    "\x1a[Tabs]\t\x0b\r\n"
    "\tk6\x0c=\x1a v6";

TEST(ProfileRead, KeysValuesQuotesAndWhiteSpace) {
  ScratchFolder folder;
  const std::u16string path = folder / u"sample.ini";
  WriteBytes(path, kSample);
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* defaultValue;
    const char16_t* expected;
  } cases[] = {
      {u"", u"top", u"d", u"above every section"},
      {u"Sec", u"top", u"d", u"d"},
      {u"Sec", u"key1", u"d", u"value 1"},
      {u"sEC", u"KEY1", u"d", u"value 1"},
      {u" \tSec ", u"  key1 ", u"d", u"value 1"},
      {u"Sec", u";comment", u"d", u"c"},
      {u"Sec", u"noequals", u"d", u"d"},
      {u"Sec", u"", u"d", u"first nameless"},
      {u"Sec", u"empty", u"d", u""},
      {u"Sec", u"quoted", u"d", u"abc"},
      {u"Sec", u"single", u"d", u"abc"},
      {u"Sec", u"mixed", u"d", u"\"abc'"},
      {u"Sec", u"lone", u"d", u"\""},
      {u"Sec", u"pair", u"d", u""},
      {u"Sec", u"inner", u"d", u"a\"b"},
      {u"Sec", u"spaced", u"d", u"x y"},
      {u"Sec", u"equals", u"d", u"a=b"},
      {u"Sec", u"missing", u"d", u"d"},
      {u"sec", u"k2", u"d", u"d"},
      {u"a]b", u"k3", u"d", u"after the last bracket"},
      {u"a", u"k3", u"d", u"d"},
      {u"", u"k4", u"d", u"d"},
      {u"unclosed", u"k5", u"d", u"d"},
      {u"Tabs", u"k6", u"d", u"v6"},
      {u"Nowhere", u"k", u"\"quoted default\"  ", u"quoted default"},
      {u"Nowhere", u"k", u"  blanks  ", u"  blanks"},
      {u"Nowhere", u"k", u"   ", u" "},
      {u"Nowhere", u"k", u"tab\t", u"tab\t"},
  };
  for (const Case& c : cases) {
    const ReadResult r = Read(path, c.section, c.key, c.defaultValue, 100);
    EXPECT_TRUE(r.terminated);
    EXPECT_EQ(r.text, c.expected) << Utf16ToUtf8(c.section) << " / " << Utf16ToUtf8(c.key);
    EXPECT_EQ(r.count, r.text.size());
  }
}

TEST(ProfileRead, ValuesAreCutToTheBuffer) {
  ScratchFolder folder;
  const std::u16string path = folder / u"cut.ini";
  WriteBytes(path, "[S]\r\nplain=abcdef\r\nquoted=\"abc\"\r\n");
  // A quoted value loses its closing quote only when all of it fits or only
  // that quote is cut; otherwise the last character copied goes instead.
  struct Case {
    const char16_t* key;
    std::size_t size;
    const char16_t* expected;
  } cases[] = {
      {u"plain", 1, u""},     {u"plain", 2, u"a"},     {u"plain", 6, u"abcde"},
      {u"plain", 7, u"abcdef"}, {u"quoted", 1, u""},   {u"quoted", 2, u"a"},
      {u"quoted", 3, u"ab"},  {u"quoted", 4, u"ab"},   {u"quoted", 5, u"abc"},
      {u"missing", 3, u"ab"},  // the default "abcd", cut
  };
  for (const Case& c : cases) {
    const ReadResult r = Read(path, u"S", c.key, u"abcd", c.size);
    EXPECT_TRUE(r.terminated);
    EXPECT_EQ(r.text, c.expected) << Utf16ToUtf8(c.key) << " in " << c.size;
    EXPECT_EQ(r.count, r.text.size());
  }
  char16_t untouched = kUntouched;
  EXPECT_EQ(ProfileReadString(u"S", u"plain", u"", &untouched, 0, path), 0u);
  EXPECT_EQ(untouched, kUntouched);
}

TEST(ProfileRead, LongValuesHaveNoLineLimit) {
  ScratchFolder folder;
  const std::u16string path = folder / u"long.ini";
  WriteBytes(path, "[S]\r\nk=" + std::string(5000, 'x') + "\r\nafter=1\r\n");
  EXPECT_EQ(Read(path, u"S", u"k", u"", 6000).text, std::u16string(5000, u'x'));
  EXPECT_EQ(Read(path, u"S", u"k", u"", 3000).count, 2999u);
  EXPECT_EQ(Read(path, u"S", u"after", u"", 10).text, u"1");
}

TEST(ProfileRead, LineEndsOfEveryKind) {
  ScratchFolder folder;
  const std::string files[] = {
      "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "[A]\nx=1\n[B]\ny=2", "[A]\rx=1\r\r\r[B]\ry=2\r",
      "[A]\n\rx=1\r\n\n[B]\n\ny=2",
  };
  for (const std::string& bytes : files) {
    const std::u16string path = folder / u"ends.ini";
    WriteBytes(path, bytes);
    EXPECT_EQ(Read(path, u"A", u"x", u"", 10).text, u"1") << bytes;
    EXPECT_EQ(Read(path, u"B", u"y", u"", 10).text, u"2") << bytes;
  }
}

TEST(ProfileRead, EncodingsByByteOrderMark) {
  ScratchFolder folder;
  const std::u16string text = u"[S\u00e9c]\r\nk\u4e2d=v\u4e2d\u00e9\r\n";
  std::string bigEndian = "\xFE\xFF";
  for (char16_t c : text) {
    bigEndian += static_cast<char>(c >> 8);
    bigEndian += static_cast<char>(c & 0xFF);
  }
  const std::string files[] = {Utf16LeBytes(text, true), bigEndian,
                               "\xEF\xBB\xBF" + Utf16ToUtf8(text)};
  for (const std::string& bytes : files) {
    const std::u16string path = folder / u"encoded.ini";
    WriteBytes(path, bytes);
    EXPECT_EQ(Read(path, u"S\u00e9c", u"k\u4e2d", u"", 10).text, u"v\u4e2d\u00e9");
  }
  // Without a mark the file is in the ANSI code page.
  const std::u16string ansiText = u"[S\u00e9c]\r\nk=v\u00e9\u00fc\r\n";
  WriteBytes(folder / u"ansi.ini", os::FromUtf16(ansiText, os::AnsiCodePage()));
  EXPECT_EQ(Read(folder / u"ansi.ini", u"S\u00e9c", u"k", u"", 10).text, u"v\u00e9\u00fc");
}

TEST(ProfileRead, MissingFileOrFolder) {
  ScratchFolder folder;
  const std::u16string missing = folder / u"missing.ini";
  // A missing file is an empty profile: the default, unquoted.
  EXPECT_EQ(Read(missing, u"S", u"k", u"\"d\"", 10).text, u"d");
  EXPECT_FALSE(os::PathExists(missing));
  // A missing folder makes the read fail: the default as it is.
  EXPECT_EQ(Read(folder / u"no\\x.ini", u"S", u"k", u"\"d\" ", 10).text, u"\"d\"");
}

// Writes, each followed by the whole file it must leave.
struct WriteStep {
  const char16_t* section;
  const char16_t* key;
  const char16_t* value;
  const char* expected;
};

void RunWrites(const std::u16string& path, const std::vector<WriteStep>& steps) {
  for (const WriteStep& step : steps) {
    EXPECT_TRUE(ProfileWriteString(step.section, step.key, step.value, path));
    EXPECT_EQ(ReadBytes(path), step.expected)
        << Utf16ToUtf8(step.section) << " / " << Utf16ToUtf8(step.key);
  }
}

TEST(ProfileWrite, NewFileGrowsSectionByKey) {
  ScratchFolder folder;
  RunWrites(folder / u"new.ini",
            {
                {u"Sec", u"key", u"value", "[Sec]\r\nkey=value\r\n"},
                {u"Sec2", u"k2", u" v2 ", "[Sec]\r\nkey=value\r\n[Sec2]\r\nk2=v2 \r\n"},
                {u"sec", u"k3", u"v3", "[Sec]\r\nkey=value\r\nk3=v3\r\n[Sec2]\r\nk2=v2\r\n"},
                {u"SEC", u"KEY", u"", "[Sec]\r\nkey=\r\nk3=v3\r\n[Sec2]\r\nk2=v2\r\n"},
                {u" Sec3", u"\tk4 ", u"v4",
                 "[Sec]\r\nkey=\r\nk3=v3\r\n[Sec2]\r\nk2=v2\r\n[Sec3]\r\nk4 =v4\r\n"},
            });
}

TEST(ProfileWrite, ExistingFileIsRewrittenNormalised) {
  ScratchFolder folder;
  const std::u16string path = folder / u"existing.ini";
  WriteBytes(path,
             "; head\r\n\r\n[A]\r\n  x  =  1  \r\n\r\n\r\n;c\r\nnoeq\r\n=e1\r\n=e2\r\n\r\n"
             "[B]\ny=2\n[A]\nz=shadowed\n[]\nw=nameless");
  RunWrites(path,
            {
                {u"A", u"new", u"n",
                 "; head\r\n[A]\r\nx=1\r\n;c\r\nnoeq\r\n=e1\r\nnew=n\r\n[B]\r\ny=2\r\n"
                 "[A]\r\nz=shadowed\r\nw=nameless\r\n"},
                {u"A", u"noeq", u"now with =",
                 "; head\r\n[A]\r\nx=1\r\n;c\r\nnoeq=now with =\r\n=e1\r\nnew=n\r\n[B]\r\ny=2\r\n"
                 "[A]\r\nz=shadowed\r\nw=nameless\r\n"},
                {u"", u"top", u"t",
                 "; head\r\ntop=t\r\n[A]\r\nx=1\r\n;c\r\nnoeq=now with =\r\n=e1\r\nnew=n\r\n"
                 "[B]\r\ny=2\r\n[A]\r\nz=shadowed\r\nw=nameless\r\n"},
            });
}

TEST(ProfileWrite, SameValueLeavesTheFileAlone) {
  ScratchFolder folder;
  const std::u16string path = folder / u"same.ini";
  WriteBytes(path, "[S]\n k = v \n\n");
  EXPECT_TRUE(ProfileWriteString(u"S", u"k", u"  v", path));
  EXPECT_EQ(ReadBytes(path), "[S]\n k = v \n\n");
  EXPECT_TRUE(ProfileWriteString(u"S", u"k", u"v ", path));
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=v \r\n");
}

TEST(ProfileWrite, KeepsTheEncoding) {
  ScratchFolder folder;
  const std::u16string utf16 = folder / u"utf16.ini";
  WriteBytes(utf16, Utf16LeBytes(u"[S]\nk=\u4e2d", true));
  EXPECT_TRUE(ProfileWriteString(u"S", u"n", u"\u00e9", utf16));
  EXPECT_EQ(ReadBytes(utf16), Utf16LeBytes(u"[S]\r\nk=\u4e2d\r\nn=\u00e9\r\n", true));

  const std::u16string bomOnly = folder / u"bom.ini";
  WriteBytes(bomOnly, "\xFF\xFE");
  EXPECT_TRUE(ProfileWriteString(u"S", u"k", u"v", bomOnly));
  EXPECT_EQ(ReadBytes(bomOnly), Utf16LeBytes(u"[S]\r\nk=v\r\n", true));

  const std::u16string utf8 = folder / u"utf8.ini";
  WriteBytes(utf8, "\xEF\xBB\xBF[S]\nk=v");
  EXPECT_TRUE(ProfileWriteString(u"S", u"n", u"\u4e2d", utf8));
  EXPECT_EQ(ReadBytes(utf8), "\xEF\xBB\xBF[S]\r\nk=v\r\nn=\xE4\xB8\xAD\r\n");

  const std::u16string ansi = folder / u"ansi.ini";
  const auto inAnsi = [](const std::u16string& text) {
    return os::FromUtf16(text, os::AnsiCodePage());
  };
  WriteBytes(ansi, inAnsi(u"[S\u00e9]\nk=\u00fc"));
  EXPECT_TRUE(ProfileWriteString(u"S\u00e9", u"n", u"\u00e4", ansi));
  EXPECT_EQ(ReadBytes(ansi), inAnsi(u"[S\u00e9]\r\nk=\u00fc\r\nn=\u00e4\r\n"));

  // An empty file is written as a new one.
  const std::u16string empty = folder / u"empty.ini";
  WriteBytes(empty, "");
  EXPECT_TRUE(ProfileWriteString(u"S", u"k", u"\u00e9", empty));
  EXPECT_EQ(ReadBytes(empty), inAnsi(u"[S]\r\nk=\u00e9\r\n"));
}

// Fault caught: an ANSI file whose first line began with the bytes of a UTF-8
// byte-order mark was rewritten with those bytes first, and so read back as
// UTF-8, its first line turned into a section header.
TEST(ProfileWrite, AnsiFileStaysAnsi) {
  ScratchFolder folder;
  const std::u16string path = folder / u"marked.ini";
  WriteBytes(path, "\r\n\xEF\xBB\xBF[Sec]\r\nk=v\r\n");
  EXPECT_TRUE(ProfileWriteString(u"Other", u"x", u"1", path));
  char16_t names[64];
  const std::size_t n = ProfileReadSectionNames(names, 64, path);
  EXPECT_EQ(std::u16string(names, n), std::u16string(u"Other\0", 6));
  char16_t value[16];
  ProfileReadString(u"", u"k", u"-", value, 16, path);
  EXPECT_EQ(std::u16string(value), u"v");
}

TEST(ProfileWrite, FailuresAreResults) {
  ScratchFolder folder;
  EXPECT_FALSE(ProfileWriteString(u"S", u"k", u"v", folder / u"no\\x.ini"));
  const std::u16string locked = folder / u"readonly.ini";
  WriteBytes(locked, "[S]\r\nk=v\r\n");
  ASSERT_TRUE(os::SetFileAttributesTo(locked, os::kAttrReadOnly));
  // Refused even when the value would not change, as the file is opened for
  // writing first.
  EXPECT_FALSE(ProfileWriteString(u"S", u"k", u"v", locked));
  EXPECT_FALSE(ProfileWriteString(u"S", u"k", u"w", locked));
  EXPECT_EQ(ReadBytes(locked), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(os::SetFileAttributesTo(locked, os::kAttrNormal));
}

TEST(ProfileSectionNames, CutToTheBufferAsWindowsCutsThem) {
  ScratchFolder folder;
  const std::u16string path = folder / u"names.ini";
  WriteBytes(path, "k=top\r\n[abc]\r\n[]\r\n[ de ]\r\n[f]\r\n");
  struct Case {
    std::size_t size;
    std::size_t count;
    std::u16string buffer;  // every unit written
  } cases[] = {
      {1, 0, std::u16string(1, u'\0')},
      {2, 0, std::u16string(2, u'\0')},
      {3, 1, std::u16string(u"a\0\0", 3)},
      {5, 3, std::u16string(u"abc\0\0", 5)},
      {6, 4, std::u16string(u"abc\0\0\0", 6)},
      {9, 7, std::u16string(u"abc\0de\0\0\0", 9)},
      {10, 8, std::u16string(u"abc\0de\0f\0\0", 10)},
      {11, 9, std::u16string(u"abc\0de\0f\0\0", 10)},
      {40, 9, std::u16string(u"abc\0de\0f\0\0", 10)},
  };
  for (const Case& c : cases) {
    std::u16string buffer(c.size, kUntouched);
    EXPECT_EQ(ProfileReadSectionNames(buffer.data(), c.size, path), c.count) << c.size;
    const size_t written = buffer.find(kUntouched);
    EXPECT_EQ(buffer.substr(0, written), c.buffer) << c.size;
  }
}

TEST(ProfileSectionNames, MissingEmptyAndUnreadable) {
  ScratchFolder folder;
  char16_t buffer[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
  EXPECT_EQ(ProfileReadSectionNames(buffer, 4, folder / u"missing.ini"), 0u);
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(buffer[1], kUntouched);
  WriteBytes(folder / u"empty.ini", "");
  buffer[0] = kUntouched;
  EXPECT_EQ(ProfileReadSectionNames(buffer, 4, folder / u"empty.ini"), 0u);
  EXPECT_EQ(buffer[0], u'\0');
  buffer[0] = kUntouched;
  EXPECT_EQ(ProfileReadSectionNames(buffer, 4, folder / u"no\\x.ini"), 0u);
  EXPECT_EQ(buffer[0], kUntouched);
}

// Zero units end names and values where C strings would end them.
TEST(ProfileDocument, ZeroUnitsEndNamesAndValues) {
  const char bytes[] = "[S\0x]\r\nab\0cd=v\0w\r\n\0z=1\r\n[T]y\r\n=a\r\n\0=b\r\n";
  const ProfileDocument d = ProfileDocument::Parse(std::string_view(bytes, sizeof bytes - 1));
  ASSERT_EQ(d.SectionNames(), (std::vector<std::u16string>{u"S", u"T"}));
  ASSERT_NE(d.Find(u"S", u"ab"), nullptr);
  EXPECT_EQ(d.Find(u"S", u"ab")->value, u"v");
  ASSERT_NE(d.Find(u"S", u""), nullptr);
  EXPECT_EQ(d.Find(u"S", u"")->value, u"1");
  EXPECT_EQ(d.Find(u"T", u"")->value, u"a");
  EXPECT_EQ(d.Serialize(), "[S]\r\nab=v\r\n=1\r\n[T]\r\n=a\r\n=b\r\n");
}

// Arbitrary bytes (a binary file, a file cut short) give some document, and
// the program can still read and write it.
TEST(ProfileDocument, AnyBytesAreHarmless) {
  std::uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<char>(seed >> 16);
  };
  ScratchFolder folder;
  const std::u16string path = folder / u"binary.ini";
  for (int round = 0; round < 40; ++round) {
    std::string bytes;
    const int length = 1 + round * 97;
    for (int i = 0; i < length; ++i) {
      // Plenty of line ends, brackets and "=" among the noise.
      const char pick = next();
      const char special[] = "\r\n[]=\x00 \"";
      bytes += (pick & 3) == 0 ? special[static_cast<unsigned char>(pick) % 8] : next();
    }
    if (round % 4 == 1) bytes = "\xFF\xFE" + bytes;
    if (round % 4 == 2) bytes = "\xEF\xBB\xBF" + bytes;
    WriteBytes(path, bytes);
    const ProfileDocument parsed = ProfileDocument::Parse(bytes);
    for (const ProfileSection& section : parsed.sections) {
      for (const ProfileKey& key : section.keys) {
        const ReadResult r = Read(path, section.name, key.name, u"", 8);
        EXPECT_TRUE(r.terminated);
        EXPECT_LE(r.count, 7u);
      }
    }
    std::u16string names(64, kUntouched);
    EXPECT_LE(ProfileReadSectionNames(names.data(), 64, path), 63u);
    EXPECT_NE(names.find(u'\0'), std::u16string::npos);

    ASSERT_TRUE(ProfileWriteString(u"Record", u"Send or Not", u"YES", path)) << round;
    EXPECT_EQ(Read(path, u"Record", u"Send or Not", u"", 8).text, u"YES") << round;
    // A value cut at a zero unit may end in white space, and the keys of a
    // section without a name join the section before it: the first rewrite
    // can still read back differently. The second is stable.
    const std::string again = ProfileDocument::Parse(ReadBytes(path)).Serialize();
    EXPECT_EQ(ProfileDocument::Parse(again).Serialize(), again) << round;
  }
}

TEST(ProfileDocument, TruncatedUtf16KeepsItsHalfUnit) {
  ProfileDocument d = ProfileDocument::Parse(Utf16LeBytes(u"[S]\r\nk=v", true) + "A");
  EXPECT_EQ(d.encoding, ProfileEncoding::Utf16Le);
  ASSERT_NE(d.Find(u"S", u"k"), nullptr);
  EXPECT_EQ(d.Find(u"S", u"k")->value, u"vA");
  EXPECT_EQ(ProfileDocument::Parse("x").encoding, ProfileEncoding::Ansi);
}

}  // namespace
}  // namespace norda
