// The archive writer's interface contract: result codes and their texts, the
// checks every call makes, stored extensions, and the time and attribute
// rules of entries. Runs natively and under Wine; the archives themselves
// are read back by peers in tests/native and tests/windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/zip/zip_archive.h"
#include "core/zip/zip_entry.h"
#include "core/zip/zip_source.h"
#include "core/zip/zip_times.h"
#include "support/scratch_folder.h"
#include "support/zip_inspection.h"

namespace norda::zip {
namespace {

std::string Text(ZipResult code) {
  char buffer[128];
  ZipResultText(code, buffer, sizeof buffer);
  return buffer;
}

TEST(ZipResultText, EveryCodeHasItsText) {
  const struct {
    std::uint32_t code;
    const char* text;
  } table[] = {
      {0x0, "Success"},
      {0x100, "Culdn't duplicate handle"},
      {0x200, "Couldn't create/open file"},
      {0x300, "Failed to allocate memory"},
      {0x400, "Error writing to file"},
      {0x500, "File not found in the zipfile"},
      {0x600, "Still more data to unzip"},
      {0x700, "Zipfile is corrupt or not a zipfile"},
      {0x800, "Error reading file"},
      {0x10000, "Caller: faulty arguments"},
      {0x20000, "Caller: can only get memory of a memory zipfile"},
      {0x30000, "Caller: not enough space allocated for memory zipfile"},
      {0x40000, "Caller: there was a previous error"},
      {0x50000, "Caller: additions to the zip have already been ended"},
      {0x60000, "Zip-bug: the anticipated size turned out wrong"},
      {0x70000, "Caller: the file had already been partially unzipped"},
      {0x80000, "Caller: mixing creation and opening of zip"},
      {0x1000000, "Zip-bug: internal initialisation not completed"},
      {0x2000000, "Zip-bug: trying to seek the unseekable"},
      {0x4000000, "Zip-bug: tried to change mind, but not allowed"},
      {0x5000000, "Zip-bug: an internal error during flation"},
      {0x2, "unknown zip result code"},
      {0x900, "unknown zip result code"},
      {0x3000000, "unknown zip result code"},
      {0xFFFFFFFF, "unknown zip result code"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(Text(static_cast<ZipResult>(row.code)), row.text);
    EXPECT_EQ(ZipResultText(static_cast<ZipResult>(row.code), nullptr, 0), std::strlen(row.text));
  }
}

TEST(ZipResultText, CopiesWhatFitsAndReturnsTheFullLength) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(ZipResultText(ZipResult::OpenFailed, buffer, 8), 25u);
  EXPECT_STREQ(buffer, "Couldn'");

  char one[2] = {'x', 'y'};
  EXPECT_EQ(ZipResultText(ZipResult::Ok, one, 1), 7u);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(one[1], 'y');

  // Size 0: nothing is touched.
  char untouched[4] = {'a', 'b', 'c', '\0'};
  EXPECT_EQ(ZipResultText(ZipResult::Ok, untouched, 0), 7u);
  EXPECT_STREQ(untouched, "abc");

  char exact[8];
  EXPECT_EQ(ZipResultText(ZipResult::Ok, exact, 8), 7u);
  EXPECT_STREQ(exact, "Success");
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
  const std::u16string file = scratch / u"a.txt";
  ZipHandle* made = ZipCreate(file.c_str(), 0, TargetKind::FileName);  // something to list
  ASSERT_NE(made, nullptr);
  ZipClose(made);
  EXPECT_FALSE(ZipAddTree(nullptr, scratch.Path().c_str(), nullptr));

  // A handle of another kind is refused and not freed (the test owns it).
  ZipHandle other;
  other.tag = 1;
  EXPECT_EQ(ZipAddEntry(&other, u"a", "a", 1, SourceKind::Memory), ZipResult::ModeMismatch);
  EXPECT_EQ(LastZipResult(), ZipResult::ModeMismatch);
  buffer = &buffer;
  EXPECT_EQ(ZipGetBuffer(&other, &buffer, &length), ZipResult::ModeMismatch);
  EXPECT_EQ(ZipClose(&other), ZipResult::ModeMismatch);
  EXPECT_EQ(LastZipResult(), ZipResult::ModeMismatch);
}

// Memory targets: tests/native/zip_archive_test.cpp.
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

TEST(ZipInterface, StoredExtensionsRunFromTheLastDot) {
  const struct {
    const char* name;
    bool stored;
  } cases[] = {
      {"ARCHIVE.ZIP", true}, {"logs.tgz", true},   {"old.z", true},      {"OLD.Z", true},
      {"a.zoo", true},       {"a.ARC", true},      {"a.lzh", true},      {"a.arj", true},
      {"a.tar.gz", true},    {".gz", true},        {"crash.txt", false}, {"crash.dmp", false},
      {"dir.zip/file", false}, {"zip", false},     {"a.zipx", false},    {"a.gzip", false},
      {"a.", false},         {"a.zi", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStoredName(c.name), c.stored) << c.name;
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
  const std::uint64_t seconds = days * 86400 + static_cast<std::uint64_t>(hour * 3600 + minute * 60 + second);
  return seconds * 10000000u;
}

TEST(ZipTimes, DosDateAndTimeOfLocalTimes) {
  const struct {
    os::FileTime time;
    std::uint32_t dos;
  } cases[] = {
      // date: years since 1980 << 9 | month << 5 | day; time: hour << 11 | minute << 5 | seconds / 2
      {FileTimeOf(2012, 1, 1, 13, 14, 17), (32u << 9 | 1 << 5 | 1) << 16 | (13u << 11 | 14 << 5 | 8)},
      {FileTimeOf(1980, 1, 1, 0, 0, 0), (0u << 9 | 1 << 5 | 1) << 16},
      {FileTimeOf(2107, 12, 31, 23, 59, 59), (127u << 9 | 12 << 5 | 31) << 16 | (23u << 11 | 59 << 5 | 29)},
      {FileTimeOf(2024, 2, 29, 6, 7, 8), (44u << 9 | 2 << 5 | 29) << 16 | (6u << 11 | 7 << 5 | 4)},
      // Outside the DOS calendar: its first day.
      {FileTimeOf(1979, 12, 31, 23, 59, 59), (0u << 9 | 1 << 5 | 1) << 16},
      {FileTimeOf(2108, 1, 1, 0, 0, 0), (0u << 9 | 1 << 5 | 1) << 16},
  };
  for (const auto& c : cases) EXPECT_EQ(DosTimeOfLocal(c.time), c.dos) << std::hex << c.dos;
}

TEST(ZipTimes, UnixTimesKeepTheTimeOfDayAndStayWithin1970To2037) {
  // Whatever the zone, the fields are read the same way: differences within
  // one day and the clamping show without knowing the zone.
  const std::uint32_t midnight = UnixTimeOfLocal(FileTimeOf(2012, 1, 1, 0, 0, 0));
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(2012, 1, 1, 13, 14, 16)) - midnight, 47656u);
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(2012, 1, 2, 0, 0, 0)) - midnight, 86400u);
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(1950, 6, 15, 10, 20, 30)),
            UnixTimeOfLocal(FileTimeOf(1970, 1, 1, 10, 20, 30)));
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(1969, 12, 31, 23, 0, 0)),
            UnixTimeOfLocal(FileTimeOf(1970, 1, 1, 23, 0, 0)));
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(2100, 3, 4, 5, 6, 7)), UnixTimeOfLocal(FileTimeOf(2037, 12, 31, 5, 6, 7)));
  EXPECT_EQ(UnixTimeOfLocal(FileTimeOf(2038, 1, 1, 0, 0, 1)), UnixTimeOfLocal(FileTimeOf(2037, 12, 31, 0, 0, 1)));
  // Within a zone's offset of the true instant.
  const std::int64_t utc2012 = 1325376000;
  EXPECT_LE(std::llabs(static_cast<std::int64_t>(midnight) - utc2012), 15 * 3600);
}

TEST(ZipSource, ExternalAttributesOfDiskFiles) {
  const struct {
    std::uint32_t windows;
    bool executable;
    std::uint32_t external;
  } cases[] = {
      {0x20, false, 0x81800020},        // archive bit: rw
      {0x80, false, 0x81800000},        // normal: no low bits
      {0x21, false, 0x81000021},        // read-only: no owner write
      {0x22, false, 0x81800022},        // hidden
      {0x24, false, 0x81800024},        // system
      {0x20, true, 0x81C00020},         // passes the executable test
      {0x10, false, 0x41800010},        // a folder
      {0x2000 | 0x20, false, 0x81800020},  // other bits do not travel
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DiskFileAttributes(c.windows, c.executable), c.external) << std::hex << c.windows;
  }
}

}  // namespace
}  // namespace norda::zip
