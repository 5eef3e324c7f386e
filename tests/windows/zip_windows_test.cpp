// The archive writer under Wine with real files, read back by the host's zipfile, unzip and 7-Zip.
// Memory and pipe targets behave as on Linux: tests/native/zip_archive_test.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "core/app/report_packing.h"
#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "core/zip/zip_source.h"
#include "core/zip/zip_times.h"
#include "os/file.h"
#include "mail/peer_server.h"
#include "support/test_files.h"
#include "support/test_inputs.h"
#include "support/zip_inspection.h"

namespace norda::zip {
namespace {

using test::LogText;
using test::PeerPath;
using test::RandomBytes;
using test::ScratchFolder;
using test::ZipFields;
using test::ZipInspection;
using test::ZipNumber;
using test::ZipText;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

HANDLE Open(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(W(path), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Python's zipfile reads the archive and checks every CRC; unzip and 7-Zip test it too.
ZipInspection Inspect(const ScratchFolder& scratch, const std::u16string& archive) {
  for (const std::vector<std::string>& check :
       {std::vector<std::string>{"/usr/bin/unzip", "-tq", PeerPath(archive)},
        {"/usr/bin/7z", "t", "-bd", PeerPath(archive)}}) {
    const test::HostResult ran = test::RunOnHost(check, scratch);
    EXPECT_EQ(ran.status, 0) << check[0] << ": " << ran.output;
  }
  const test::HostResult ran = test::RunOnHost(
      {"/usr/bin/python3", test::PeersFolder() + "/zip_contents.py", "--fields", PeerPath(archive)}, scratch);
  ZipInspection inspection;
  EXPECT_TRUE(ran.status == 0 && test::ParseZipInspection(ran.output, inspection)) << ran.output;
  EXPECT_EQ(ZipText(inspection.archive, "testzip"), "ok");
  return inspection;
}

std::vector<std::string> Names(const ZipInspection& read) {
  std::vector<std::string> names;
  for (const ZipFields& e : read.entries) names.push_back(ZipText(e, "name"));
  return names;
}

// A file with magic at 0 and a signature at the position stored at 36.
std::string ExecutableImage(std::uint16_t magic, std::uint32_t position, std::uint32_t signature,
                            std::size_t size) {
  std::string bytes(size, '\0');
  std::memcpy(&bytes[0], &magic, 2);
  std::memcpy(&bytes[36], &position, 4);
  if (position + 4 <= size) std::memcpy(&bytes[position], &signature, 4);
  return bytes;
}

TEST(ZipOnWindows, AHandleTargetWithRealFilesAndTheirAttributes) {
  ScratchFolder scratch;
  const struct {
    const char16_t* name;
    std::string content;
    DWORD attributes;
    const char* external;
  } cases[] = {
      {u"crash.log", LogText(40000, 1), FILE_ATTRIBUTE_ARCHIVE, "0x81800020"},
      {u"readonly.txt", "kept", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, "0x81000021"},
      {u"hidden.ini", "[x]", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
       "0x81800026"},
      {u"tool.exe", ExecutableImage(0x54AD, 0x80, 0x4550, 300), FILE_ATTRIBUTE_ARCHIVE, "0x81c00020"},
  };
  // One last-write time to check the times against: 15 June 2012, 12:34:56 UTC.
  SYSTEMTIME stamp = {2012, 6, 5, 15, 12, 34, 56, 0};
  FILETIME written;
  ASSERT_TRUE(SystemTimeToFileTime(&stamp, &written));
  for (const auto& c : cases) {
    test::WriteBytes(scratch / c.name, c.content);
    HANDLE file = Open(scratch / c.name, FILE_WRITE_ATTRIBUTES, 0, OPEN_EXISTING);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesW(W(scratch / c.name), c.attributes));
  }
  for (const char16_t* folder : {u"tree", u"tree\\dumps", u"tree\\empty"}) {
    ASSERT_TRUE(CreateDirectoryW(W(scratch / folder), nullptr));
  }
  test::WriteBytes(scratch / u"tree\\dumps\\mini.dmp", RandomBytes(2000, 3));

  const std::u16string archive = scratch / u"handle.zip";
  HANDLE target = Open(archive, GENERIC_WRITE, 0, CREATE_ALWAYS);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(target, std::string(100, 'P').data(), 100, &n, nullptr));
  ZipHandle* zip = ZipCreate(HandleArgument(reinterpret_cast<std::intptr_t>(target)), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  for (const auto& c : cases) {
    EXPECT_EQ(ZipAddEntry(zip, c.name, (scratch / c.name).c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  }
  // A caller's handle as a source: read from its start whatever its position, with the file's attributes.
  HANDLE source = Open(scratch / cases[0].name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  SetFilePointer(source, 1000, nullptr, FILE_BEGIN);
  EXPECT_EQ(ZipAddEntry(zip, u"by-handle.log", HandleArgument(reinterpret_cast<std::intptr_t>(source)), 0,
                        SourceKind::Handle),
            ZipResult::Ok);
  CloseHandle(source);
  EXPECT_EQ(ZipAddEntry(zip, u"a", nullptr, 0, SourceKind::Handle), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"a", HandleArgument(-1), 0, SourceKind::Handle), ZipResult::BadArguments);
  // A tree is listed with the system's listing, relative to the current folder.
  wchar_t previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(W(scratch.Path())));
  EXPECT_TRUE(ZipAddTree(zip, scratch.Path().c_str(), u"tree"));
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  EXPECT_TRUE(WriteFile(target, "", 0, &n, nullptr)) << "the caller's handle is still the caller's";
  CloseHandle(target);

  const ZipInspection read = Inspect(scratch, archive);
  ASSERT_EQ(read.entries.size(), std::size(cases) + 5);
  EXPECT_EQ(ZipNumber(read.entries[0], "header_offset"), 100);
  TIME_ZONE_INFORMATION zone;
  // UTC without daylight saving (no daylight date): local times are the file's own.
  const bool plainUtc = GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 0 &&
                        zone.DaylightDate.wMonth == 0;
  if (!plainUtc) std::printf("local time is not UTC here: entry times not compared\n");
  for (std::size_t i = 0; i <= std::size(cases); ++i) {
    const ZipFields& e = read.entries[i];
    const auto& c = cases[i < std::size(cases) ? i : 0];  // the handle's entry: the crash log again
    SCOPED_TRACE(ZipText(e, "name"));
    EXPECT_EQ(ZipText(e, "name"), i < std::size(cases) ? Utf16ToUtf8(c.name) : "by-handle.log");
    EXPECT_EQ(ZipText(e, "external"), c.external);
    EXPECT_EQ(ZipNumber(e, "usize"), static_cast<long long>(c.content.size()));
    if (plainUtc) {
      EXPECT_EQ(ZipText(e, "date_time"), "2012-06-15 12:34:56");
      EXPECT_EQ(ZipText(e, "central_extra"), test::TimeExtraHex({1339763696}));
    }
  }
  std::vector<std::string> tree = Names(read);
  tree.erase(tree.begin(), tree.begin() + std::size(cases) + 1);
  std::sort(tree.begin(), tree.end());
  EXPECT_EQ(tree, (std::vector<std::string>{"tree/", "tree/dumps/", "tree/dumps/mini.dmp", "tree/empty/"}));
}

// A civil date as a file time, by the system's own calendar.
os::FileTime FileTimeOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  const SYSTEMTIME civil = {year, month, 0, day, hour, minute, second, 0};
  FILETIME time = {};
  EXPECT_TRUE(SystemTimeToFileTime(&civil, &time));
  return static_cast<os::FileTime>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// The calendars' edges; ordinary times are checked through zipfile's reading above.
TEST(ZipTimes, DosAndUnixTimesStayWithinTheirCalendars) {
  const std::uint32_t firstDosDay = (0u << 9 | 1 << 5 | 1) << 16;
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(1980, 1, 1, 0, 0, 0)), firstDosDay);
  EXPECT_EQ(DosTimeOfLocal(FileTimeOf(2107, 12, 31, 23, 59, 59)),
            (127u << 9 | 12 << 5 | 31) << 16 | (23u << 11 | 59 << 5 | 29));
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

// The file must be longer than 40 bytes and than the signature's position + 52.
TEST(ZipSource, TheExecutableTest) {
  const struct {
    std::string bytes;
    bool executable;
  } cases[] = {
      {ExecutableImage(0x54AD, 64, 0x4550, 200), true},
      {ExecutableImage(0x54AD, 64, 0x5A4D, 200), true},
      {ExecutableImage(0x5A4D, 64, 0x4550, 200), false},
      {ExecutableImage(0x54AD, 64, 0x1234, 200), false},
      {ExecutableImage(0x54AD, 148, 0x4550, 200), false},  // 200 is not beyond 148 + 52
      {ExecutableImage(0x54AD, 147, 0x4550, 200), true},
      {ExecutableImage(0x54AD, 4, 0x4550, 40), false},
  };
  test::ScratchFolder scratch;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    test::WriteBytes(scratch / u"a.exe", cases[i].bytes);
    os::File file = os::File::OpenForReading(scratch / u"a.exe", os::Share::Read);
    EXPECT_EQ(LooksExecutable(file.NativeHandle(), cases[i].bytes.size()), cases[i].executable) << i;
  }
}

// Another program writes to the file (sharing everything): the report's reader shares reading only.
TEST(ReportPackingOnWindows, FileHeldOpenForWritingIsLeftOut) {
  ScratchFolder dir;
  std::vector<std::unique_ptr<ReportFile>> files;
  for (const char16_t* name : {u"crash.log", u"held.dmp", u"registry.reg"}) {
    files.push_back(std::make_unique<ReportFile>());
    files.back()->path = dir / name;
    test::WriteBytes(files.back()->path, std::string(5000, 'x'));
  }
  HANDLE held = Open(dir / u"held.dmp", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     OPEN_EXISTING);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::u16string status;
  EXPECT_EQ(PackReportFiles(files, dir / u"report.zip", status), 2);
  CloseHandle(held);
  EXPECT_EQ(status, u"Send_crash.log\r\n Send_held.dmp\r\n Send_registry.reg\r\n ");
  EXPECT_EQ(Names(Inspect(dir, dir / u"report.zip")),
            (std::vector<std::string>{"crash.log", "registry.reg"}));
}

}  // namespace
}  // namespace norda::zip
