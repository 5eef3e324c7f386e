// VersionInfo against small programs built with known version resources; the
// banner's text made from them is the scenarios' (tests/e2e/run_e2e.py).
#include "core/support/version_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "core/support/text.h"
#include "os/folders.h"

namespace norda {
namespace {

std::u16string Beside(const std::u16string& name) { return FolderPart(os::ExecutablePath()) + name; }

TEST(VersionInfo, TextsAndNumbers) {
  const struct {
    const char16_t* file;
    const char16_t* company;
    const char16_t* description;
    const char16_t* product;
    int major, build;
  } cases[] = {
      {u"version_full.exe", u"Norda Software Ltd.", u"NORDA+ Pl\u00E4nt Designer", u"NORDA+ Product", 12,
       4567},
      {u"version_product_only.exe", u"", u"", u"NORDA+ Product Only", 12, 4567},
      // Only the first translation is asked; a text under another language is not found.
      {u"version_other_translation.exe", u"", u"", u"", 12, 4567},
      {u"version_none.exe", u"", u"", u"", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.file));
    const VersionInfo info(Beside(c.file));
    EXPECT_EQ(info.CompanyName(), c.company);
    EXPECT_EQ(info.FileDescription(), c.description);
    EXPECT_EQ(info.ProductName(), c.product);
    EXPECT_EQ(info.FileVersion().major, c.major);
    EXPECT_EQ(info.FileVersion().build, c.build);
  }
  EXPECT_EQ(VersionInfo(Beside(u"version_full.exe")).FileVersion().revision, 89);
}

TEST(VersionInfo, BoundedCopyKeepsRoomForTheTerminator) {
  VersionInfo info(Beside(u"version_full.exe"));
  char16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_TRUE(info.GetProductName(buffer, 8));
  EXPECT_EQ(std::u16string(buffer), u"NORDA+");  // capacity - 2 characters
  EXPECT_EQ(buffer[7], u'\0');
  EXPECT_FALSE(info.GetCompanyName(nullptr, 10));
}

}  // namespace
}  // namespace norda
