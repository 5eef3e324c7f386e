// Packing the report: the archive read back by Python's zipfile, the status
// lines, and what happens when files or folders are missing or held.
#include "core/app/report_packing.h"

#include <gtest/gtest.h>

#include "core/app/report_folder.h"
#include "core/app/send_record_book.h"
#include "core/support/text.h"
#include "os/file.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/user_folders.h"

namespace norda {
namespace {

using test::NativeFsPath;
using test::WriteBytes;

class ReportPacking : public ::testing::Test {
 protected:
  void SetUp() override { test::UseScratchUserFolders(dir); }

  std::unique_ptr<ReportFile> File(const std::u16string& name, const std::string& bytes, int flag) {
    auto file = std::make_unique<ReportFile>();
    file->path = dir / name;
    file->sendFlag = flag;
    if (!bytes.empty()) WriteBytes(file->path, bytes);
    return file;
  }

  // The entries of an archive as Python's zipfile sees them, each compared
  // with the file of the same name in the scratch folder.
  std::string Listing(const std::u16string& archive, const std::vector<std::u16string>& names) {
    std::vector<std::string> args = {"/usr/bin/python3", test::SourceDir() + "/tests/peers/zip_contents.py",
                                     NativeFsPath(archive).string()};
    for (const auto& name : names) {
      args.push_back(Utf16ToUtf8(name) + "=" + NativeFsPath(dir / name).string());
    }
    const auto result = test::RunCommand(args);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return result.output;
  }

  test::ScratchFolder dir;
  std::u16string status;
};

TEST_F(ReportPacking, ArchivePathFollowsTheCrashLogName) {
  const std::u16string base = ReportFolder();
  EXPECT_EQ(ReportArchivePath(), base + u"\\BugReport\\CrashReport.zip");
  EXPECT_TRUE(os::FolderExists(base + u"\\BugReport"));
  struct Case {
    std::u16string logFile, archiveName;
  } cases[] = {
      {u"C:\\x\\Crash_20120101.log", u"Crash_20120101.zip"},
      {u"relative.name.log", u"relative.name.zip"},
      {u"C:\\x\\noext", u"noext.zip"},
      {u"C:\\x\\" + std::u16string(600, u'a') + u".log", std::u16string(511, u'a') + u".zip"},
  };
  for (const Case& c : cases) {
    WriteBytes(base + u"\\CrashReport.ini",
               test::Utf16LeBytes(u"[CrashReport Infor]\r\nLOGFile=" + c.logFile + u"\r\n", true));
    EXPECT_EQ(ReportArchivePath(), base + u"\\BugReport\\" + c.archiveName);
  }
}

TEST_F(ReportPacking, PacksSelectedPresentFilesAndListsTheirStatus) {
  std::vector<std::unique_ptr<ReportFile>> files;
  files.push_back(File(u"crash.log", std::string(70000, 'L'), 1));
  files.push_back(File(u"skipped.txt", "not wanted", 0));
  files.push_back(File(u"missing.dmp", "", 1));
  files.push_back(nullptr);  // an empty slot is passed over
  files.push_back(File(u"registry.reg", "REGEDIT4\r\n", 1));
  files.push_back(File(u"inner.zip", "PK already packed", 1));
  const std::u16string archive = dir / u"report.zip";
  EXPECT_EQ(PackReportFiles(files, archive, status), 3);
  EXPECT_EQ(status, u"Send_crash.log\r\n NotSend_skipped.txt\r\n Send_registry.reg\r\n Send_inner.zip\r\n ");
  EXPECT_EQ(Listing(archive, {u"crash.log", u"registry.reg", u"inner.zip"}),
            "crash.log same\nregistry.reg same\ninner.zip same\n");
  // The status text grows with every packing.
  EXPECT_EQ(PackReportFiles(files, archive, status), 3);
  EXPECT_EQ(status.size(), 2 * std::u16string(u"Send_crash.log\r\n NotSend_skipped.txt\r\n Send_registry.reg\r\n Send_inner.zip\r\n ").size());
}

TEST_F(ReportPacking, NothingToPackLeavesAnOlderArchiveAlone) {
  const std::u16string archive = dir / u"report.zip";
  WriteBytes(archive, "an older report");
  struct Case {
    const char* name;
    int flag;
    bool present;
    std::u16string status;
  } cases[] = {
      {"selected but missing", 1, false, u""},
      {"present but not selected", 0, true, u"NotSend_only.txt\r\n "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::unique_ptr<ReportFile>> files;
    files.push_back(File(u"only.txt", c.present ? "data" : "", c.flag));
    status.clear();
    EXPECT_EQ(PackReportFiles(files, archive, status), 0);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(test::ReadBytes(archive), "an older report");
  }
}

TEST_F(ReportPacking, HeldFileIsLeftOutButListedAsSent) {
  std::vector<std::unique_ptr<ReportFile>> files;
  files.push_back(File(u"a.log", "first", 1));
  files.push_back(File(u"held.dmp", "held by another program", 1));
  files.push_back(File(u"c.reg", "third", 1));
  os::File holder = os::File::OpenExistingForWriting(dir / u"held.dmp");
  ASSERT_TRUE(holder.IsOpen());
  const std::u16string archive = dir / u"report.zip";
  EXPECT_EQ(PackReportFiles(files, archive, status), 2);
  EXPECT_EQ(status, u"Send_a.log\r\n Send_held.dmp\r\n Send_c.reg\r\n ");
  EXPECT_EQ(Listing(archive, {u"a.log", u"c.reg"}), "a.log same\nc.reg same\n");
}

TEST_F(ReportPacking, ArchiveThatCannotBeCreatedPacksNothing) {
  std::vector<std::unique_ptr<ReportFile>> files;
  files.push_back(File(u"a.log", "first", 1));
  files.push_back(File(u"b.log", "second", 1));
  // A file where the folder should be, and a folder that does not exist.
  WriteBytes(dir / u"BugReport", "not a folder");
  for (const std::u16string& archive : {dir / u"BugReport\\report.zip", dir / u"none\\report.zip"}) {
    status.clear();
    EXPECT_EQ(PackReportFiles(files, archive, status), 0);
    EXPECT_EQ(status, u"Send_a.log\r\n ") << "packing stops at the failed creation";
  }
}

TEST_F(ReportPacking, OverlongNumberedNameIsRefusedWithoutOverwriting) {
  // An existing archive whose path fills the 511 units of its buffer: no
  // numbered name fits, so the report is neither recorded nor packed over it.
  std::u16string folder = dir.Path();
  while (folder.size() < 300) {
    folder += u"\\" + std::u16string(100, u'f');
    ASSERT_TRUE(os::CreateFolder(folder));
  }
  const std::u16string archive =
      folder + u"\\" + std::u16string(511 - folder.size() - 5, u'a') + u".zip";
  ASSERT_EQ(archive.size(), 511u);
  WriteBytes(archive, "an older report");
  ReportSession session;
  session.sendRecords.SetPath(dir / u"SendRecord.ini");
  session.archivePath = archive;
  session.files.push_back(File(u"crash.log", "log", 1));
  std::u16string section = u"untouched";
  EXPECT_EQ(RecordAndPack(session, true, section), 0);
  EXPECT_EQ(section, u"untouched");
  EXPECT_TRUE(session.archivePath.empty());
  EXPECT_FALSE(os::PathExists(dir / u"SendRecord.ini"));
  EXPECT_EQ(test::ReadBytes(archive), "an older report");
}

}  // namespace
}  // namespace norda
