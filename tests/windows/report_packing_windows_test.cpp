// Packing and the record book on Windows itself: a file held open for writing
// by another handle, and the book read back by the system's profile functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/app/send_record_book.h"
#include "core/mail/mime_message.h"
#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "os/code_page.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The entry names of an archive, read from its central directory (APPNOTE 4.3.12, 4.3.16).
std::vector<std::string> EntryNames(const std::u16string& archive) {
  const std::string bytes = test::ReadBytes(archive);
  std::vector<std::string> names;
  if (bytes.size() < 22) return names;
  auto u16 = [&](size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
                                     static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  const size_t end = bytes.size() - 22;
  if (u32(end) != 0x06054B50) return names;
  size_t at = u32(end + 16);
  for (unsigned i = 0; i < u16(end + 10) && at + 46 <= bytes.size() && u32(at) == 0x02014B50; ++i) {
    const size_t nameLength = u16(at + 28);
    names.push_back(bytes.substr(at + 46, nameLength));
    at += 46 + nameLength + u16(at + 30) + u16(at + 32);
  }
  return names;
}

std::wstring ProfileString(const std::u16string& book, const wchar_t* section, const wchar_t* key) {
  wchar_t value[1024] = {};
  GetPrivateProfileStringW(section, key, L"<absent>", value, 1024, W(book));
  return value;
}

TEST(ReportPackingOnWindows, FileHeldOpenForWritingIsLeftOut) {
  test::ScratchFolder dir;
  std::vector<std::unique_ptr<ReportFile>> files;
  for (const char16_t* name : {u"crash.log", u"held.dmp", u"registry.reg"}) {
    auto file = std::make_unique<ReportFile>();
    file->path = dir / name;
    test::WriteBytes(file->path, std::string(5000, 'x'));
    files.push_back(std::move(file));
  }
  // The other program lets everyone share the file, but it writes to it: a
  // reader that shares reading only cannot open it.
  HANDLE held = CreateFileW(W(dir / u"held.dmp"), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::u16string status;
  const std::u16string archive = dir / u"report.zip";
  EXPECT_EQ(PackReportFiles(files, archive, status), 2);
  CloseHandle(held);
  EXPECT_EQ(status, u"Send_crash.log\r\n Send_held.dmp\r\n Send_registry.reg\r\n ");
  EXPECT_EQ(EntryNames(archive), (std::vector<std::string>{"crash.log", "registry.reg"}));
}

TEST(ReportPackingOnWindows, RecordBookReadsBackWithTheSystemsProfileFunctions) {
  const std::u16string folder = ReportFolder();
  test::WriteBytes(folder + u"\\CrashReport.ini",
                   test::Utf16LeBytes(u"[CrashReport Infor]\r\nSUBJECT=Absturz \u00C4\r\n", true));
  // A book already holding a record in lower case.
  test::WriteBytes(folder + u"\\SendRecord.ini", "[record1]\r\nSend or Not=YES\r\n");
  ReportSession session;
  session.descriptionPath = folder + u"\\CrashReport.ini";
  session.sendRecordPath = folder + u"\\SendRecord.ini";
  session.sendRecords.SetSectionNamesBufferSize(102400);
  session.sendRecords.SetPath(session.sendRecordPath);
  session.archivePath = ReportArchivePath();
  auto file = std::make_unique<ReportFile>();
  test::ScratchFolder dir;
  file->path = dir / u"crash.log";
  test::WriteBytes(file->path, "log");
  session.files.push_back(std::move(file));

  std::u16string section;
  EXPECT_EQ(RecordAndPack(session, true, section), 1);
  EXPECT_EQ(section, u"Record2");
  EXPECT_EQ(RecordAndPack(session, false, section), 1);

  const std::u16string& book = session.sendRecordPath;
  const std::wstring bug = std::wstring(W(folder)) + L"\\BugReport\\";
  EXPECT_EQ(ProfileString(book, L"Record2", L"File Name"), bug + L"CrashReport.zip");
  EXPECT_EQ(ProfileString(book, L"Record2", L"Send or Not"), L"NO");
  EXPECT_EQ(ProfileString(book, L"Record2", L"Email Subject"), L"Absturz \u00C4");
  EXPECT_EQ(ProfileString(book, L"Record3", L"File Name"), bug + L"CrashReport0.zip");
  EXPECT_EQ(ProfileString(book, L"record1", L"Send or Not"), L"YES");
  wchar_t names[256] = {};
  const DWORD n = GetPrivateProfileSectionNamesW(names, 256, W(book));
  EXPECT_EQ(std::wstring(names, n), std::wstring(L"record1\0Record2\0Record3\0", 24));
}

// Run in the Japanese code page (tests/cmake/code_pages.cmake), where the
// second byte of many characters is that of "\": \u8868 is 95 5C, \u30BD 83 5C.
// Catches names split, or "\" replaced, byte by byte.
TEST(DoubleByteNames, ArchiveEntryAndAttachmentNamesKeepTheirCharacters) {
  if (!std::getenv("NORDA_EXPECT_ACP")) GTEST_SKIP() << "for the Japanese code page only";
  ASSERT_EQ(GetACP(), 932u);
  test::ScratchFolder dir;
  const std::u16string archive = dir / u"report.zip";
  zip::ZipHandle* zip = zip::ZipCreate(archive.c_str(), 0, zip::TargetKind::FileName);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(zip::ZipAddEntry(zip, u"\u30BD\\\u8868\u793A.dmp", "dump", 4, zip::SourceKind::Memory),
            zip::ZipResult::Ok);
  EXPECT_EQ(zip::ZipClose(zip), zip::ZipResult::Ok);
  EXPECT_EQ(EntryNames(archive), std::vector<std::string>{"\x83\x5C/\x95\x5C\x8E\xA6.dmp"});
  EXPECT_NE(MimeAttachmentHeader(u"C:\\x\\\u8868\u793A.zip").find(";Name=\x95\x5C\x8E\xA6.zip\r\n"), std::string::npos);
}

}  // namespace
}  // namespace norda
