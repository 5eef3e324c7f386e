// The profile file rules that the Windows test profile_conformance_test does
// not compare with the system's own functions (read-only files, a buffer of
// no units, a write that changes nothing, a cut UTF-16 file) and a fault once
// found. Everything else about reading, writing and listing is compared there
// and checked on any bytes by fuzz/profile_file_fuzz.cpp.
#include "core/support/profile_file.h"

#include <gtest/gtest.h>

#include <string>

#include "os/files.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
using test::Utf16LeBytes;
using test::WriteBytes;

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
