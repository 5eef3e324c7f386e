// The archive writer's interface contract: result texts, the checks every
// call makes, and the time, attribute and executable rules of entries. Runs
// natively and under Wine; the archives themselves are read back by peers in
// tests/native and tests/windows, and by a strict reader in fuzz/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/zip/zip_archive.h"
#include "core/zip/zip_source.h"
#include "core/zip/zip_times.h"
#include "os/file.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/zip_inspection.h"

namespace norda::zip {
namespace {

TEST(ZipResultText, CopiesWhatFitsAndReturnsTheFullLength) {
  char buffer[8];
  EXPECT_EQ(ZipResultText(ZipResult::OpenFailed, buffer, 8), 25u);
  EXPECT_STREQ(buffer, "Couldn'");
  char one[2] = {'x', 'y'};
  EXPECT_EQ(ZipResultText(ZipResult::Ok, one, 1), 7u);
  EXPECT_EQ(std::string(one, 2), std::string("\0y", 2));
  char untouched[4] = "abc";
  EXPECT_EQ(ZipResultText(ZipResult::Ok, untouched, 0), 7u);
  EXPECT_STREQ(untouched, "abc");
  EXPECT_EQ(ZipResultText(static_cast<ZipResult>(0x900), buffer, 8), 23u);
  EXPECT_STREQ(buffer, "unknown");
}

TEST(ZipInterface, CreateRefusesWhatItCannotOpen) {
  test::ScratchFolder scratch;
  const std::u16string inMissingFolder = scratch / u"absent\\a.zip";
  const struct {
    const char* what;
    const void* target;
    std::uint32_t length;
    TargetKind kind;
    ZipResult expected;
  } cases[] = {
      {"memory of length 0", nullptr, 0, TargetKind::Memory, ZipResult::MemoryTooSmall},
      {"unknown kind", nullptr, 100, static_cast<TargetKind>(7), ZipResult::BadArguments},
      {"no file name", nullptr, 0, TargetKind::FileName, ZipResult::BadArguments},
      {"empty file name", u"", 0, TargetKind::FileName, ZipResult::BadArguments},
      {"file in a missing folder", inMissingFolder.c_str(), 0, TargetKind::FileName, ZipResult::OpenFailed},
      {"handle that is none", HandleArgument(-1), 0, TargetKind::Handle, ZipResult::DuplicateFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetLastZipResult(ZipResult::Ok);
    EXPECT_EQ(ZipCreate(c.target, c.length, c.kind), nullptr);
    EXPECT_EQ(LastZipResult(), c.expected);
  }
}

TEST(ZipInterface, EveryCallChecksItsHandle) {
  const void* buffer = &buffer;
  std::uint32_t length = 99;
  EXPECT_EQ(ZipAddEntry(nullptr, u"a", "a", 1, SourceKind::Memory), ZipResult::BadArguments);
  EXPECT_EQ(LastZipResult(), ZipResult::BadArguments);
  EXPECT_EQ(ZipGetBuffer(nullptr, &buffer, &length), ZipResult::BadArguments);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(ZipClose(nullptr), ZipResult::BadArguments);
  test::ScratchFolder scratch;
  test::WriteBytes(scratch / u"a.txt", "something to list");
  EXPECT_FALSE(ZipAddTree(nullptr, scratch.Path().c_str(), nullptr));
  // A handle of another kind is refused and not freed (the test owns it).
  ZipHandle other;
  other.tag = 1;
  EXPECT_EQ(ZipAddEntry(&other, u"a", "a", 1, SourceKind::Memory), ZipResult::ModeMismatch);
  EXPECT_EQ(ZipGetBuffer(&other, &buffer, &length), ZipResult::ModeMismatch);
  EXPECT_EQ(ZipClose(&other), ZipResult::ModeMismatch);
  EXPECT_EQ(LastZipResult(), ZipResult::ModeMismatch);
}

TEST(ZipInterface, GetBufferEndsAFileArchiveToo) {
  test::ScratchFolder scratch;
  const std::u16string path = scratch / u"file.zip";
  ZipHandle* zip = ZipCreate(path.c_str(), 0, TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  const void* buffer = nullptr;
  std::uint32_t length = 0;
  EXPECT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::NotMemoryZip);
  EXPECT_EQ(ZipAddEntry(zip, u"late", nullptr, 0, SourceKind::Folder), ZipResult::AlreadyEnded);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_EQ(LastZipResult(), ZipResult::Ok);  // the close's result, not the refused add's
}

// Days since 1 January 1601 of a civil date, counted day by day from the
// calendar's rules (independent of the conversions under test).
os::FileTime FileTimeOf(int year, int month, int day, int hour, int minute, int second) {
  auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  std::uint64_t days = 0;
  for (int y = 1601; y < year; ++y) days += leap(y) ? 366 : 365;
  for (int m = 1; m < month; ++m) days += lengths[m - 1] + (m == 2 && leap(year) ? 1 : 0);
  days += static_cast<std::uint64_t>(day - 1);
  return (days * 86400 + static_cast<std::uint64_t>(hour * 3600 + minute * 60 + second)) * 10000000u;
}

// The native archive test compares ordinary times with Python's reading;
// here the calendar's edges.
TEST(ZipTimes, DosAndUnixTimesStayWithinTheirCalendars) {
  const std::uint32_t firstDosDay = (0u << 9 | 1 << 5 | 1) << 16;
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(1980, 1, 1, 0, 0, 0)), firstDosDay);
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(2107, 12, 31, 23, 59, 59)),
            (127u << 9 | 12 << 5 | 31) << 16 | (23u << 11 | 59 << 5 | 29));
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(2024, 2, 29, 6, 7, 8)),
            (44u << 9 | 2 << 5 | 29) << 16 | (6u << 11 | 7 << 5 | 4));
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(1979, 12, 31, 23, 59, 59)), firstDosDay);
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(2108, 1, 1, 0, 0, 0)), firstDosDay);
  // Whatever the zone, differences within one day and the clamping show.
  const std::uint32_t midnight = UnixTimeOfLocal(FileTimeOf(2012, 1, 1, 0, 0, 0));
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(2012, 1, 1, 13, 14, 16)) - midnight, 47656u);
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(1950, 6, 15, 10, 20, 30)),
            UnixTimeOfLocal(FileTimeOf(1970, 1, 1, 10, 20, 30)));
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(2100, 3, 4, 5, 6, 7)),
            UnixTimeOfLocal(FileTimeOf(2037, 12, 31, 5, 6, 7)));
  EXPECT_LE(std::llabs(static_cast<std::int64_t>(midnight) - 1325376000), 15 * 3600);
}

// 0x54AD at 0 and a signature at the position stored at 36, in files longer
// than 40 bytes and than that position + 52.
TEST(ZipSource, TheExecutableTest) {
  auto image = [](std::uint16_t magic, std::uint32_t position, std::uint32_t signature, std::size_t size) {
    std::string bytes(size, '\0');
    std::memcpy(&bytes[0], &magic, 2);
    std::memcpy(&bytes[36], &position, 4);
    if (position + 4 <= size) std::memcpy(&bytes[position], &signature, 4);
    return bytes;
  };
  const struct {
    std::string bytes;
    bool executable;
  } cases[] = {
      {image(0x54AD, 64, 0x4550, 200), true},
      {image(0x54AD, 64, 0x454E, 200), true},
      {image(0x54AD, 64, 0x454C, 200), true},
      {image(0x54AD, 64, 0x5A4D, 200), true},
      {image(0x5A4D, 64, 0x4550, 200), false},
      {image(0x54AD, 64, 0x1234, 200), false},
      {image(0x54AD, 148, 0x4550, 200), false},  // 200 is not beyond 148 + 52
      {image(0x54AD, 147, 0x4550, 200), true},
      {image(0x54AD, 4, 0x4550, 40), false},
  };
  test::ScratchFolder scratch;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    test::WriteBytes(scratch / u"a.exe", cases[i].bytes);
    os::File file = os::File::OpenForReading(scratch / u"a.exe", os::Share::Read);
    EXPECT_EQ(LooksExecutable(file.NativeHandle(), cases[i].bytes.size()), cases[i].executable) << i;
  }
}

}  // namespace
}  // namespace norda::zip
