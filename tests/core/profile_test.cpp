// Profile files where the comparison with the system's functions
// (tests/windows/profile_conformance_test.cpp) and fuzz/profile_file_fuzz.cpp
// do not reach: read-only files, a fault once found, IniFile's paths.
#include "core/support/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/support/profile_file.h"
#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
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

// Where a 1990-unit read cuts a value, quoted or not, is compared with the
// system's in tests/windows/profile_conformance_test.cpp.
TEST(ReadProfileValue, ReadsUpTo1989Units) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrashReport.ini";
  EXPECT_EQ(ReadProfileValue(u"LOGFile", path, u"CrashReport Infor"), u"");
  EXPECT_FALSE(os::PathExists(path)) << "a missing file stays missing";
  WriteBytes(path, "[CrashReport Infor]\r\nLong=" + std::string(2500, 'x') + "\r\n");
  EXPECT_EQ(ReadProfileValue(u"Long", path, u"CrashReport Infor"), std::u16string(1989, u'x'));
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

}  // namespace
}  // namespace norda
