// The contents viewer's rows and previews: which files get a row, what Close
// writes back, the text test, the dump's exact lines and the preview read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app/file_preview.h"
#include "core/support/text.h"
#include "os/file.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ScratchFolder;
using test::WriteBytes;

const unsigned char* Bytes(const std::string& data) {
  return reinterpret_cast<const unsigned char*>(data.data());
}

std::string WithHighBytes(int count) {
  std::string data(60, 'a');
  for (int i = 0; i < count; ++i) data[static_cast<size_t>(i) * 7] = static_cast<char>(0xC4);
  return data;
}

TEST(LooksLikeText, CountsUnprintableBytesInTheFirstHundred) {
  struct Case {
    const char* what;
    std::string data;
    bool text;
  } cases[] = {
      {"ten bytes of text", "0123456789", true},
      {"tab, line feed, vertical tab, form feed, carriage return", "a\tb\nc\vd\fe\rf", true},
      {"four bytes above 127", WithHighBytes(4), true},
      {"five bytes above 127", WithHighBytes(5), false},
      {"four zero bytes", std::string("ab\0\0\0\0cd", 8), true},
      {"five control bytes", std::string("\x01\x02\x03\x04\x1b", 5), false},
      {"DEL is unprintable", std::string(5, '\x7f'), false},
      {"five unprintable bytes after the first hundred", std::string(100, 'x') + std::string(5, '\0'), true},
      {"the fifth at byte 100", std::string(96, 'x') + std::string(5, '\x01'), true},
      {"the fifth at byte 99", std::string(95, 'x') + std::string(5, '\x01'), false},
  };
  for (const Case& c : cases) EXPECT_EQ(LooksLikeText(Bytes(c.data), c.data.size()), c.text) << c.what;
}

TEST(HexDump, LinesOfSixteenBytesWithLittleEndianGroups) {
  const std::string header("\x4d\x5a\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00", 16);
  EXPECT_EQ(HexDump(Bytes(header), header.size()),
            "0x00000000: 00905a4d 00000003 00000004 0000ffff MZ..............\r\n\r\n");

  const std::string seventeen = "ABCDEFGHIJKLMNOPQ";
  EXPECT_EQ(HexDump(Bytes(seventeen), seventeen.size()),
            "0x00000000: 44434241 48474645 4c4b4a49 504f4e4d ABCDEFGHIJKLMNOP\r\n"
            "0x00000010: 00000051 00000000 00000000 00000000 Q...............\r\n\r\n");

  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  const std::string dump = HexDump(Bytes(all), all.size());
  EXPECT_EQ(dump.size(), 16u * 66u + 2u);
  EXPECT_EQ(dump.substr(15 * 66, 66),
            "0x000000f0: f3f2f1f0 f7f6f5f4 fbfaf9f8 fffefdfc ................\r\n");
  EXPECT_EQ(dump.substr(2 * 66, 66),
            "0x00000020: 23222120 27262524 2b2a2928 2f2e2d2c  !\"#$%&'()*+,-./\r\n");
}

TEST(ReadFilePreview, ShowsTextUpToItsFirstZeroByteAndDumpsTheRest) {
  ScratchFolder dir;
  std::string log;
  for (int line = 0; log.size() < 100 * 1024; ++line) log += "line " + std::to_string(line) + " of the log\r\n";
  struct Case {
    const char16_t* name;
    std::string data;
    FilePreview::Kind kind;
    std::u16string text;
  } cases[] = {
      {u"ten.txt", "0123456789", FilePreview::Kind::Text, u"0123456789"},
      {u"zero.txt", std::string("before\0after", 12), FilePreview::Kind::Text, u"before"},
      {u"sixteen.bin", std::string("\x4d\x5a\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00", 16),
       FilePreview::Kind::Dump, u"0x00000000: 00905a4d 00000003 00000004 0000ffff MZ..............\r\n\r\n"},
      {u"big.log", log, FilePreview::Kind::Text,
       std::u16string(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(kPreviewLimit))},
      {u"empty.txt", "", FilePreview::Kind::Nothing, u""},
  };
  for (const Case& c : cases) {
    const std::u16string path = dir / c.name;
    WriteBytes(path, c.data);
    const FilePreview preview = ReadFilePreview(path);
    EXPECT_EQ(preview.kind, c.kind) << Utf16ToUtf8(c.name);
    EXPECT_TRUE(preview.text == c.text) << Utf16ToUtf8(c.name);
  }
  EXPECT_EQ(ReadFilePreview(dir / u"missing.txt").kind, FilePreview::Kind::Nothing);
}

TEST(ReadFilePreview, ShowsNothingOfAFileHeldByAnotherWriter) {
  ScratchFolder dir;
  const std::u16string path = dir / u"held.log";
  WriteBytes(path, "being written");
  os::File writer = os::File::OpenExistingForWriting(path);
  ASSERT_TRUE(writer.IsOpen());
  EXPECT_EQ(ReadFilePreview(path).kind, FilePreview::Kind::Nothing);
  writer.Close();
  EXPECT_EQ(ReadFilePreview(path).kind, FilePreview::Kind::Text);
}

TEST(ContentsRows, MissingFilesGetNoRowAndKeepTheirSendFlags) {
  ScratchFolder dir;
  std::vector<std::unique_ptr<ReportFile>> files;
  for (const char16_t* name : {u"first.txt", u"missing.txt", u"third.txt", u"fourth.txt"}) {
    auto file = std::make_unique<ReportFile>();
    file->path = dir / name;
    if (std::u16string(name) != u"missing.txt") WriteBytes(file->path, "x");
    files.push_back(std::move(file));
  }
  files[1]->sendFlag = 1;
  files[3]->sendFlag = 0;

  const std::vector<ReportFile*> rows = ExistingReportFiles(files);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], files[0].get());
  EXPECT_EQ(rows[1], files[2].get());
  EXPECT_EQ(rows[2], files[3].get());

  ApplySendChoices(rows, {false, false, true});
  EXPECT_EQ(files[0]->sendFlag, 0);
  EXPECT_EQ(files[1]->sendFlag, 1);
  EXPECT_EQ(files[2]->sendFlag, 0);
  EXPECT_EQ(files[3]->sendFlag, 1);
}

}  // namespace
}  // namespace norda
