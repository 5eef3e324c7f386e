// The contents viewer's text test at its edges and the previews of nothing.
// The rows, the hexadecimal dump, text previews and their 64 KiB limit are
// read back from the real viewer by tests/e2e/contents_viewer.py.
#include <gtest/gtest.h>

#include <string>

#include "core/app/file_preview.h"
#include "os/file.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

TEST(LooksLikeText, CountsUnprintableBytesInTheFirstHundred) {
  const struct {
    const char* what;
    std::string data;
    bool text;
  } cases[] = {
      {"tab, line feed, vertical tab, form feed, carriage return", "a\tb\nc\vd\fe\rf", true},
      {"four zero bytes", std::string("ab\0\0\0\0cd", 8), true},
      {"five control bytes", std::string("\x01\x02\x03\x04\x1b", 5), false},
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
  test::ScratchFolder dir;
  const std::u16string path = dir / u"held.log";
  test::WriteBytes(path, std::string("before\0after", 12));
  EXPECT_TRUE(ReadFilePreview(path).text == u"before");
  os::File writer = os::File::OpenExistingForWriting(path);
  ASSERT_TRUE(writer.IsOpen());
  EXPECT_EQ(ReadFilePreview(path).kind, FilePreview::Kind::Nothing);
  writer.Close();
  test::WriteBytes(path, "");
  EXPECT_EQ(ReadFilePreview(path).kind, FilePreview::Kind::Nothing);
  EXPECT_EQ(ReadFilePreview(dir / u"missing.txt").kind, FilePreview::Kind::Nothing);
}

}  // namespace
}  // namespace norda
