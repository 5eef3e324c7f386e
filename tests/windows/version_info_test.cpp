// VersionInfo against executables built with known version resources.
#include "core/support/version_info.h"

#include <gtest/gtest.h>

#include "core/support/text.h"
#include "os/folders.h"

namespace norda {
namespace {

std::u16string Beside(const std::u16string& name) {
  return FolderPart(os::ExecutablePath()) + name;
}

TEST(VersionInfo, FullResourceGivesTextsAndNumbers) {
  VersionInfo info(Beside(u"version_full.exe"));
  EXPECT_EQ(info.CompanyName(), u"Norda Software Ltd.");
  EXPECT_EQ(info.FileDescription(), u"NORDA+ Pl\u00E4nt Designer");
  EXPECT_EQ(info.ProductName(), u"NORDA+ Product");
  const FourPartVersion file = info.FileVersion();
  EXPECT_EQ(file.major, 12);
  EXPECT_EQ(file.minor, 3);
  EXPECT_EQ(file.build, 4567);
  EXPECT_EQ(file.revision, 89);
  EXPECT_EQ(info.ProductVersion().revision, 1);
  EXPECT_EQ(info.FileFlags(), 2u);
  EXPECT_EQ(info.FileType(), 1u);  // an application
}

TEST(VersionInfo, TextsMissingOrEmpty) {
  struct Case {
    const char16_t* file;
    const char16_t* description;
    const char16_t* product;
  } cases[] = {
      {u"version_product_only.exe", u"", u"NORDA+ Product Only"},
      // Only the first translation is asked; a text under another language is not found.
      {u"version_other_translation.exe", u"", u""},
      {u"version_none.exe", u"", u""},
      {u"no_such_program.exe", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.file));
    VersionInfo info(Beside(c.file));
    EXPECT_EQ(info.FileDescription(), c.description);
    EXPECT_EQ(info.ProductName(), c.product);
  }
  EXPECT_EQ(VersionInfo(Beside(u"version_none.exe")).FileVersion().major, 0);
}

TEST(VersionInfo, BoundedCopyKeepsRoomForTheTerminator) {
  VersionInfo info(Beside(u"version_full.exe"));
  char16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_TRUE(info.GetProductName(buffer, 8));
  EXPECT_EQ(std::u16string(buffer), u"NORDA+");  // capacity - 2 characters
  EXPECT_EQ(buffer[7], u'\0');
  char16_t large[998];
  ASSERT_TRUE(info.GetFileDescription(large, 998));
  EXPECT_EQ(std::u16string(large), u"NORDA+ Pl\u00E4nt Designer");
  EXPECT_FALSE(info.GetCompanyName(nullptr, 10));
}

}  // namespace
}  // namespace norda
