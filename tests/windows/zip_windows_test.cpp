// The archive writer on Windows (under Wine): handle, memory and pipe
// targets, the attributes and times of real files. The archives are read back
// by the host's peers (Python's zipfile, unzip, 7-Zip), which Wine starts as
// Linux programs. A source held open for writing by another handle is
// report_packing_windows_test.cpp's.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"
#include "support/zip_inspection.h"

namespace norda::zip {

namespace {

using test::LogText;
using test::RandomBytes;
using test::ScratchFolder;
using test::ZipFields;
using test::ZipInspection;
using test::ZipNumber;
using test::ZipText;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The Linux path of a Windows path, as Wine maps it.
std::string HostPath(const std::u16string& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return {};
  char* unix = toUnix(W(path));
  if (unix == nullptr) return {};
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct HostResult {
  int status = -1;
  std::string output;
};

// Runs a Linux program. Wine starts it without a handle to wait on, so the
// command reports its end through a status file, which is waited for with a
// bound.
HostResult RunOnHost(const ScratchFolder& scratch, const std::vector<std::string>& arguments) {
  static int runs = 0;
  const std::u16string tag = u"host" + DecimalText(static_cast<std::uint64_t>(runs++));
  const std::u16string script = scratch / (tag + u".sh");
  const std::u16string output = scratch / (tag + u".out");
  const std::u16string status = scratch / (tag + u".status");
  std::string command;
  for (const std::string& a : arguments) command += ShellQuoted(a) + " ";
  command += ">" + ShellQuoted(HostPath(output)) + " 2>&1; echo $? >" + ShellQuoted(HostPath(status) + ".tmp") +
             "; mv " + ShellQuoted(HostPath(status) + ".tmp") + " " + ShellQuoted(HostPath(status)) + "\n";
  test::WriteBytes(script, command);
  std::u16string line = u"/bin/sh " + Utf8ToUtf16(HostPath(script));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  HostResult result;
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    result.output = "cannot start /bin/sh";
    return result;
  }
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  const DWORD deadline = GetTickCount() + 120000;
  while (GetFileAttributesW(W(status)) == INVALID_FILE_ATTRIBUTES) {
    if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
      result.output = "timed out";
      return result;
    }
    Sleep(20);
  }
  result.status = std::atoi(test::ReadBytes(status).c_str());
  result.output = test::ReadBytes(output);
  return result;
}

ZipInspection Inspect(const ScratchFolder& scratch, const std::u16string& archive) {
  const char* source = std::getenv("NORDA_SOURCE_DIR");
  ZipInspection inspection;
  const HostResult ran = RunOnHost(scratch, {"/usr/bin/python3", std::string(source ? source : ".") +
                                                                    "/tests/support/zip_inspect.py",
                                             HostPath(archive)});
  EXPECT_EQ(ran.status, 0) << ran.output;
  EXPECT_TRUE(test::ParseZipInspection(ran.output, inspection)) << ran.output;
  EXPECT_EQ(ZipText(inspection.archive, "testzip"), "ok");
  return inspection;
}

void ExpectPeersAccept(const ScratchFolder& scratch, const std::u16string& archive) {
  const HostResult unzip = RunOnHost(scratch, {"/usr/bin/unzip", "-tq", HostPath(archive)});
  EXPECT_EQ(unzip.status, 0) << unzip.output;
  const HostResult sevenZip = RunOnHost(scratch, {"/usr/bin/7z", "t", "-bd", HostPath(archive)});
  EXPECT_EQ(sevenZip.status, 0) << sevenZip.output;
}

// A file whose first bytes pass the writer's executable test.
std::string ExecutableImage() {
  std::string bytes(300, '\0');
  bytes[0] = static_cast<char>(0xAD);
  bytes[1] = 0x54;
  bytes[36] = static_cast<char>(0x80);  // position 0x80
  bytes[0x80] = 'P';
  bytes[0x81] = 'E';
  return bytes;
}

TEST(ZipOnWindows, AHandleTargetWithRealFilesAndTheirAttributes) {
  ScratchFolder scratch;
  struct Case {
    const char16_t* name;
    std::string content;
    DWORD attributes;
    std::uint32_t external;
  } cases[] = {
      {u"crash.log", LogText(40000, 1), FILE_ATTRIBUTE_ARCHIVE, 0x81800020},
      {u"readonly.txt", "kept", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0x81000021},
      {u"hidden.ini", "[x]", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, 0x81800022},
      {u"tool.exe", ExecutableImage(), FILE_ATTRIBUTE_ARCHIVE, 0x81C00020},
      {u"system.dat", RandomBytes(20000, 1), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM, 0x81800024},
  };
  // One last-write time to check the times against: 15 June 2012, 12:34:56 UTC.
  SYSTEMTIME stamp = {2012, 6, 5, 15, 12, 34, 56, 0};
  FILETIME written;
  ASSERT_TRUE(SystemTimeToFileTime(&stamp, &written));
  for (const Case& c : cases) {
    const std::u16string path = scratch / c.name;
    test::WriteBytes(path, c.content);
    HANDLE file = CreateFileW(W(path), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesW(W(path), c.attributes));
  }

  const std::u16string archive = scratch / u"handle.zip";
  HANDLE target = CreateFileW(W(archive), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(target, INVALID_HANDLE_VALUE);
  const std::string prefix(100, 'P');
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(target, prefix.data(), 100, &n, nullptr));
  ZipHandle* zip = ZipCreate(HandleArgument(reinterpret_cast<std::intptr_t>(target)), 0, TargetKind::Handle);
  ASSERT_NE(zip, nullptr);
  for (const Case& c : cases) {
    const std::u16string path = scratch / c.name;
    EXPECT_EQ(ZipAddEntry(zip, c.name, path.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  }
  // A caller's handle as a source: a disk file, read from its start whatever
  // its position, with the file's attributes.
  const std::u16string log = scratch / cases[0].name;
  HANDLE source = CreateFileW(W(log), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(source, INVALID_HANDLE_VALUE);
  SetFilePointer(source, 1000, nullptr, FILE_BEGIN);
  EXPECT_EQ(ZipAddEntry(zip, u"by-handle.log", HandleArgument(reinterpret_cast<std::intptr_t>(source)), 0,
                        SourceKind::Handle),
            ZipResult::Ok);
  CloseHandle(source);
  EXPECT_EQ(ZipAddEntry(zip, u"sub\\folder", nullptr, 0, SourceKind::Folder), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  // The caller's handle is still the caller's.
  EXPECT_TRUE(WriteFile(target, "", 0, &n, nullptr));
  CloseHandle(target);

  ExpectPeersAccept(scratch, archive);
  const ZipInspection read = Inspect(scratch, archive);
  ASSERT_EQ(read.entries.size(), std::size(cases) + 2);
  const ZipFields& byHandle = read.entries[std::size(cases)];
  EXPECT_EQ(ZipText(byHandle, "name"), "by-handle.log");
  EXPECT_EQ(ZipText(byHandle, "crc"), ZipText(read.entries[0], "crc"));
  EXPECT_EQ(ZipNumber(byHandle, "usize"), static_cast<long long>(cases[0].content.size()));
  EXPECT_EQ(ZipText(byHandle, "external"), "0x81800020");
  EXPECT_EQ(ZipNumber(read.entries[0], "header_offset"), 100);
  TIME_ZONE_INFORMATION zone;
  // UTC without daylight saving (no daylight date): local times are the file's own.
  const bool plainUtc =
      GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == 0 && zone.DaylightDate.wMonth == 0;
  if (!plainUtc) std::printf("local time is not UTC here: entry times not compared\n");
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const ZipFields& e = read.entries[i];
    SCOPED_TRACE(Utf16ToUtf8(cases[i].name));
    EXPECT_EQ(ZipText(e, "name"), Utf16ToUtf8(cases[i].name));
    char external[16];
    std::snprintf(external, sizeof external, "0x%x", cases[i].external);
    EXPECT_EQ(ZipText(e, "external"), external);
    EXPECT_EQ(ZipText(e, "made_by"), "0xb17");
    EXPECT_EQ(ZipNumber(e, "usize"), static_cast<long long>(cases[i].content.size()));
    EXPECT_EQ(ZipNumber(e, "flags"), ZipNumber(e, "method") == 8 ? 2 : 0);
    EXPECT_EQ(ZipText(e, "descriptor"), "no");
    if (plainUtc) {
      // Local time is UTC here: the file's own time, to the second.
      EXPECT_EQ(ZipText(e, "date_time"), "2012-06-15 12:34:56");
      EXPECT_EQ(ZipText(e, "central_extra"), test::CentralTimeExtraHex(1339763696));
    }
  }
  EXPECT_EQ(ZipText(read.entries.back(), "name"), "sub/folder/");
  EXPECT_EQ(ZipText(read.entries.back(), "external"), "0x41c00010");
}

TEST(ZipOnWindows, AMemoryTargetGrowsInPageFileBackedMemory) {
  ScratchFolder scratch;
  char callers[100];
  std::memset(callers, 0x5A, sizeof callers);
  const std::string dump = RandomBytes(50000, 2) + LogText(200000, 1);
  for (void* target : {static_cast<void*>(callers), static_cast<void*>(nullptr)}) {
    ZipHandle* zip = ZipCreate(target, target ? sizeof callers : 1, TargetKind::Memory);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddEntry(zip, u"mini.dmp", dump.data(), static_cast<std::uint32_t>(dump.size()), SourceKind::Memory),
              ZipResult::Ok);
    EXPECT_EQ(ZipAddEntry(zip, u"saved.zip", dump.data(), 5000, SourceKind::Memory), ZipResult::Ok);
    const void* buffer = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::Ok);
    EXPECT_NE(buffer, static_cast<const void*>(callers));
    const std::u16string file = scratch / (target ? u"callers.zip" : u"own.zip");
    test::WriteBytes(file, std::string(static_cast<const char*>(buffer), length));
    EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
    ExpectPeersAccept(scratch, file);
    const ZipInspection read = Inspect(scratch, file);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(ZipNumber(read.entries[0], "usize"), static_cast<long long>(dump.size()));
    EXPECT_EQ(ZipNumber(read.entries[1], "method"), 0);
  }
  // Beyond the header that fitted, the caller's buffer is left alone.
  EXPECT_EQ(callers[99], 0x5A);
}

TEST(ZipOnWindows, APipeTargetGetsDataDescriptors) {
  ScratchFolder scratch;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  std::string received;
  std::thread reader([&] {
    char chunk[65536];
    DWORD n = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &n, nullptr) && n > 0) received.append(chunk, n);
  });
  ZipHandle* zip = ZipCreate(HandleArgument(reinterpret_cast<std::intptr_t>(writeEnd)), 0, TargetKind::Handle);
  CloseHandle(writeEnd);  // the writer has its own duplicate
  ASSERT_NE(zip, nullptr);
  const std::string log = LogText(60000, 1);
  const std::u16string file = scratch / u"user.txt";
  test::WriteBytes(file, log.substr(0, 3000));
  EXPECT_EQ(ZipAddEntry(zip, u"crash.log", log.data(), static_cast<std::uint32_t>(log.size()), SourceKind::Memory),
            ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"saved.ZIP", log.data(), 7000, SourceKind::Memory), ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"user.txt", file.c_str(), 0, SourceKind::FileName), ZipResult::Ok);
  EXPECT_EQ(ZipAddEntry(zip, u"folder", nullptr, 0, SourceKind::Folder), ZipResult::Ok);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  reader.join();  // the pipe ends with the writer's duplicate
  CloseHandle(readEnd);

  const std::u16string archive = scratch / u"piped.zip";
  test::WriteBytes(archive, received);
  ExpectPeersAccept(scratch, archive);
  const ZipInspection read = Inspect(scratch, archive);
  ASSERT_EQ(read.entries.size(), 4u);
  const long long sizes[] = {60000, 7000, 3000, 0};
  for (std::size_t i = 0; i < 4; ++i) {
    const ZipFields& e = read.entries[i];
    SCOPED_TRACE(ZipText(e, "name"));
    EXPECT_EQ(ZipNumber(e, "flags"), 8);
    EXPECT_EQ(ZipNumber(e, "local_flags"), 8);
    EXPECT_EQ(ZipText(e, "descriptor"), "yes");
    EXPECT_EQ(ZipNumber(e, "desc_usize"), sizes[i]);
    EXPECT_EQ(ZipText(e, "desc_crc"), ZipText(e, "crc"));
  }
}

TEST(ZipOnWindows, APipeWithoutReaderFailsTheAdd) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  CloseHandle(readEnd);
  ZipHandle* zip = ZipCreate(HandleArgument(reinterpret_cast<std::intptr_t>(writeEnd)), 0, TargetKind::Handle);
  CloseHandle(writeEnd);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"a.txt", "abc", 3, SourceKind::Memory), ZipResult::WriteFailed);
  EXPECT_EQ(ZipClose(zip), ZipResult::WriteFailed);
}

TEST(ZipOnWindows, AddTreeListsFoldersWithTheSystemsListing) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryW(W(scratch / u"report"), nullptr));
  ASSERT_TRUE(CreateDirectoryW(W(scratch / u"report\\dumps"), nullptr));
  ASSERT_TRUE(CreateDirectoryW(W(scratch / u"report\\empty"), nullptr));
  test::WriteBytes(scratch / u"report\\crash.log", LogText(4000, 1));
  test::WriteBytes(scratch / u"report\\dumps\\mini.dmp", RandomBytes(2000, 3));
  ZipHandle* zip = ZipCreate(nullptr, 4096, TargetKind::Memory);
  ASSERT_NE(zip, nullptr);
  // The files' paths are relative to the current folder.
  wchar_t previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(W(scratch.Path())));
  EXPECT_TRUE(ZipAddTree(zip, scratch.Path().c_str(), u"report"));
  EXPECT_FALSE(ZipAddTree(zip, scratch.Path().c_str(), u"absent"));
  SetCurrentDirectoryW(previous);
  const void* buffer = nullptr;
  std::uint32_t length = 0;
  ASSERT_EQ(ZipGetBuffer(zip, &buffer, &length), ZipResult::Ok);
  const std::u16string archive = scratch / u"tree.zip";
  test::WriteBytes(archive, std::string(static_cast<const char*>(buffer), length));
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
  const ZipInspection read = Inspect(scratch, archive);
  std::vector<std::string> names;
  for (const ZipFields& e : read.entries) names.push_back(ZipText(e, "name"));
  std::sort(names.begin(), names.end());
  const std::vector<std::string> expected = {"absent/", "report/", "report/crash.log", "report/dumps/",
                                             "report/dumps/mini.dmp", "report/empty/"};
  EXPECT_EQ(names, expected);
}

TEST(ZipOnWindows, MissingHandlesAreFaultyArguments) {
  ZipHandle* zip = ZipCreate(nullptr, 64, TargetKind::Memory);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAddEntry(zip, u"a", nullptr, 0, SourceKind::Handle), ZipResult::BadArguments);
  EXPECT_EQ(ZipAddEntry(zip, u"a", HandleArgument(-1), 0, SourceKind::Handle), ZipResult::BadArguments);
  EXPECT_EQ(ZipCreate(nullptr, 0, TargetKind::Handle), nullptr);
  EXPECT_EQ(LastZipResult(), ZipResult::DuplicateFailed);
  EXPECT_EQ(ZipClose(zip), ZipResult::Ok);
}

}  // namespace
}  // namespace norda::zip
