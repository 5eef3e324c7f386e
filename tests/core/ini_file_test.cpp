#include "core/support/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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
using test::WriteBytes;

TEST(IniFile, DefaultsToTheProgramNameWithIniForItsExtension) {
  const std::u16string executable = os::ExecutablePath();
  ASSERT_GT(executable.size(), 3u);
  const IniFile ini;
  // "...\win_ini_file_test.exe" gives "...\win_ini_file_test.ini"; a name
  // without extension simply loses its last three characters.
  EXPECT_EQ(ini.Path().size(), executable.size());
  EXPECT_EQ(ini.Path().substr(0, executable.size() - 3), executable.substr(0, executable.size() - 3));
  EXPECT_EQ(ini.Path().substr(executable.size() - 3), u"ini");
  EXPECT_EQ(ini.SectionNamesBufferSize(), 1024u);
  EXPECT_EQ(ini.SectionBufferSize(), 1024u);
}

TEST(IniFile, SetPathRules) {
  const std::u16string programFolder = FolderPart(os::ExecutablePath());
  ASSERT_FALSE(programFolder.empty());
  struct Case {
    const char16_t* given;
    std::u16string expected;
  } cases[] = {
      {u"SendRecord", programFolder + u"SendRecord.ini"},
      {u" \t SendRecord \r\n", programFolder + u"SendRecord.ini"},
      {u"A.INI", programFolder + u"A.INI"},
      {u"", programFolder + u".ini"},
      {u"C:\\Records\\Book.iNi", u"C:\\Records\\Book.iNi"},
      {u"C:\\Records\\a.txt", u"C:\\Records\\a.txt.ini"},
      {u"C:\\Records\\ini", u"C:\\Records\\ini.ini"},
      {u"C:\\Records\\book.ini.bak", u"C:\\Records\\book.ini.bak.ini"},
      {u"\\.ini", u"\\.ini"},        // five characters ending in ".ini"
      {u"\\ini", u"\\ini.ini"},      // four characters: always appended
      {u"\\a", u"\\a.ini"},
  };
  for (const Case& c : cases) {
    IniFile ini;
    EXPECT_TRUE(ini.SetPath(c.given));
    EXPECT_EQ(ini.Path(), c.expected) << Utf16ToUtf8(c.given);
  }
}

TEST(IniFile, NoPathChangesNothing) {
  IniFile ini;
  ASSERT_TRUE(ini.SetPath(u"C:\\Records\\Book.ini"));
  EXPECT_FALSE(ini.SetPath(std::nullopt));
  EXPECT_EQ(ini.Path(), u"C:\\Records\\Book.ini");
}

TEST(IniFile, WritesAndListsSections) {
  ScratchFolder folder;
  IniFile ini;
  ini.SetSectionNamesBufferSize(102400);
  ini.SetSectionBufferSize(1024);
  ASSERT_TRUE(ini.SetPath(folder / u"SendRecord"));
  EXPECT_EQ(ini.Path(), folder / u"SendRecord.ini");

  Names names{u"stale"};
  EXPECT_EQ(ini.GetSectionNames(names), 0u);
  EXPECT_EQ(names, Names{u""});
  EXPECT_FALSE(os::PathExists(ini.Path()));

  EXPECT_TRUE(ini.WriteString(u"Record1", u"Send or Not", u"YES"));
  EXPECT_TRUE(ini.WriteString(u"Record2", u"Send or Not", u"NO"));
  EXPECT_TRUE(ini.WriteString(u"record1", u"ZipFile", u"C:\\a.zip"));
  EXPECT_EQ(ReadBytes(ini.Path()),
            "[Record1]\r\nSend or Not=YES\r\nZipFile=C:\\a.zip\r\n[Record2]\r\nSend or Not=NO\r\n");
  EXPECT_EQ(ini.GetSectionNames(names), 16u);
  EXPECT_EQ(names, (Names{u"Record1", u"Record2"}));
  EXPECT_EQ(ReadProfileValue(u"ZipFile", ini.Path(), u"RECORD1"), u"C:\\a.zip");

  // A file in a folder that does not exist cannot be written.
  ASSERT_TRUE(ini.SetPath(folder / u"missing\\SendRecord"));
  EXPECT_FALSE(ini.WriteString(u"Record1", u"Send or Not", u"YES"));
  EXPECT_EQ(ini.GetSectionNames(names), 0u);
  EXPECT_EQ(names, Names{u""});
}

TEST(IniFile, SectionNamesEndEarlyInASmallBuffer) {
  ScratchFolder folder;
  IniFile ini;
  ASSERT_TRUE(ini.SetPath(folder / u"names.ini"));
  WriteBytes(ini.Path(), "[abc]\r\n[de]\r\nk=v\r\n[f]\r\n");
  struct Case {
    std::size_t bufferSize;
    std::size_t copied;
    Names names;
  } cases[] = {
      {0, 0, {u""}},
      {2, 0, {u""}},
      {3, 1, {u"a"}},
      {7, 5, {u"abc", u"d"}},
      {10, 8, {u"abc", u"de", u"f"}},
      {1024, 9, {u"abc", u"de", u"f"}},
  };
  for (const Case& c : cases) {
    ini.SetSectionNamesBufferSize(c.bufferSize);
    Names names;
    EXPECT_EQ(ini.GetSectionNames(names), c.copied) << c.bufferSize;
    EXPECT_EQ(names, c.names) << c.bufferSize;
  }
}

TEST(IniFile, FileWithoutSectionsGivesOneEmptyName) {
  ScratchFolder folder;
  IniFile ini;
  ASSERT_TRUE(ini.SetPath(folder / u"plain.ini"));
  for (const char* bytes : {"", "key=value\r\n", "\xFF\xFE", "[]\r\n[ ]\r\n"}) {
    WriteBytes(ini.Path(), bytes);
    Names names;
    EXPECT_EQ(ini.GetSectionNames(names), 0u) << bytes;
    EXPECT_EQ(names, Names{u""}) << bytes;
  }
}

TEST(ReadProfileValue, MissingFileIsEmptyAndUntouched) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrashReport.ini";
  EXPECT_EQ(ReadProfileValue(u"LOGFile", path, u"CrashReport Infor"), u"");
  EXPECT_FALSE(os::PathExists(path));
}

TEST(ReadProfileValue, ValuesAndTheirLimit) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrashReport.ini";
  const std::string longValue(2500, 'x');
  WriteBytes(path,
             "[CrashReport Infor]\r\n"
             "LOGFile = C:\\crash\\Crash_1.log \r\n"
             "Long=" + longValue + "\r\n"
             "Exact=" + std::string(1989, 'y') + "\r\n"
             "QuotedLong=\"" + std::string(1989, 'z') + "\"\r\n");
  struct Case {
    const char16_t* key;
    const char16_t* section;
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
  for (const Case& c : cases) {
    EXPECT_EQ(ReadProfileValue(c.key, path, c.section), c.expected) << Utf16ToUtf8(c.key);
  }
}

}  // namespace
}  // namespace norda
