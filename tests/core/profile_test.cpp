// Profile files: what the comparison with the system's own profile functions
// (tests/windows/profile_conformance_test.cpp) and the checks on any bytes
// (fuzz/profile_file_fuzz.cpp) do not reach: read-only files, a buffer of no
// units, a write that changes nothing, a cut UTF-16 file, a fault once found,
// IniFile's paths and short lists, and ReadProfileValue's limit.
#include "core/support/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/support/profile_file.h"
#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using Names = std::vector<std::u16string>;
using test::ReadBytes;
using test::ScratchFolder;
using test::Utf16LeBytes;
using test::WriteBytes;

TEST(IniFile, PathRules) {
  // By default the program's own path with "ini" for its last three characters.
  const std::u16string executable = os::ExecutablePath();
  const IniFile byDefault;
  EXPECT_EQ(byDefault.Path(), executable.substr(0, executable.size() - 3) + u"ini");
  EXPECT_EQ(byDefault.SectionNamesBufferSize(), 1024u);
  EXPECT_EQ(byDefault.SectionBufferSize(), 1024u);
  const std::u16string programFolder = FolderPart(executable);
  const struct {
    const char16_t* given;
    std::u16string expected;
  } cases[] = {
      {u"SendRecord", programFolder + u"SendRecord.ini"},
      {u" \t SendRecord \r\n", programFolder + u"SendRecord.ini"},
      {u"A.INI", programFolder + u"A.INI"},
      {u"", programFolder + u".ini"},
      {u"C:\\Records\\Book.iNi", u"C:\\Records\\Book.iNi"},
      {u"C:\\Records\\a.txt", u"C:\\Records\\a.txt.ini"},
      {u"C:\\Records\\book.ini.bak", u"C:\\Records\\book.ini.bak.ini"},
      {u"\\.ini", u"\\.ini"},    // five characters ending in ".ini"
      {u"\\ini", u"\\ini.ini"},  // four characters: always appended
  };
  for (const auto& c : cases) {
    IniFile ini;
    EXPECT_TRUE(ini.SetPath(c.given));
    EXPECT_EQ(ini.Path(), c.expected) << Utf16ToUtf8(c.given);
    EXPECT_FALSE(ini.SetPath(std::nullopt));
    EXPECT_EQ(ini.Path(), c.expected) << "no path changes nothing";
  }
}

TEST(IniFile, SectionNamesEndEarlyInASmallBufferAndWithoutAFile) {
  ScratchFolder folder;
  IniFile ini;
  ASSERT_TRUE(ini.SetPath(folder / u"names.ini"));
  WriteBytes(ini.Path(), "[abc]\r\n[de]\r\nk=v\r\n[f]\r\n");
  const struct {
    std::size_t bufferSize, copied;
    Names names;
  } cases[] = {
      {0, 0, {u""}},
      {2, 0, {u""}},
      {3, 1, {u"a"}},
      {7, 5, {u"abc", u"d"}},
      {10, 8, {u"abc", u"de", u"f"}},
      {1024, 9, {u"abc", u"de", u"f"}},
  };
  for (const auto& c : cases) {
    ini.SetSectionNamesBufferSize(c.bufferSize);
    Names names{u"stale"};
    EXPECT_EQ(ini.GetSectionNames(names), c.copied) << c.bufferSize;
    EXPECT_EQ(names, c.names) << c.bufferSize;
  }
  // A file in a folder that does not exist: not written, and no names.
  ASSERT_TRUE(ini.SetPath(folder / u"missing\\SendRecord"));
  EXPECT_FALSE(ini.WriteString(u"Record1", u"Send or Not", u"YES"));
  Names names;
  EXPECT_EQ(ini.GetSectionNames(names), 0u);
  EXPECT_EQ(names, Names{u""});
}

TEST(ReadProfileValue, ValuesAndTheirLimit) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrashReport.ini";
  EXPECT_EQ(ReadProfileValue(u"LOGFile", path, u"CrashReport Infor"), u"");
  EXPECT_FALSE(os::PathExists(path)) << "a missing file stays missing";
  WriteBytes(path, "[CrashReport Infor]\r\nLOGFile = C:\\crash\\Crash_1.log \r\nLong=" +
                       std::string(2500, 'x') + "\r\nExact=" + std::string(1989, 'y') + "\r\nQuotedLong=\"" +
                       std::string(1989, 'z') + "\"\r\n");
  const struct {
    const char16_t *key, *section;
    std::u16string expected;
  } cases[] = {
      {u"LOGFile", u"CrashReport Infor", u"C:\\crash\\Crash_1.log"},
      {u"Long", u"CrashReport Infor", std::u16string(1989, u'x')},
      {u"Exact", u"CrashReport Infor", std::u16string(1989, u'y')},
      // 1991 characters with quotes: the cut takes the closing quote and the
      // last "z" goes too.
      {u"QuotedLong", u"CrashReport Infor", std::u16string(1988, u'z')},
      {u"LOGFile", u"FilesToAdd", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadProfileValue(c.key, path, c.section), c.expected) << Utf16ToUtf8(c.key);
  }
}

TEST(ProfileRead, ABufferOfNoUnitsIsLeftAlone) {
  ScratchFolder folder;
  const std::u16string path = folder / u"cut.ini";
  WriteBytes(path, "[S]\r\nplain=abcdef\r\n");
  char16_t untouched = 0x7777;
  EXPECT_EQ(ProfileReadString(u"S", u"plain", u"", &untouched, 0, path), 0u);
  EXPECT_EQ(untouched, 0x7777);
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

TEST(ProfileDocument, TruncatedUtf16KeepsItsHalfUnit) {
  ProfileDocument d = ProfileDocument::Parse(Utf16LeBytes(u"[S]\r\nk=v", true) + "A");
  EXPECT_EQ(d.encoding, ProfileEncoding::Utf16Le);
  ASSERT_NE(d.Find(u"S", u"k"), nullptr);
  EXPECT_EQ(d.Find(u"S", u"k")->value, u"vA");
  EXPECT_EQ(ProfileDocument::Parse("x").encoding, ProfileEncoding::Ansi);
}

}  // namespace
}  // namespace norda
