// Packing the report and its record, read back by Python's zipfile, also on a full disk (a forked child's
// RLIMIT_FSIZE: no mount rights needed) and in a folder that cannot be written: the earlier archives and
// the record book keep their bytes, and what the book says is true.
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "core/app/dont_send.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/app/send_record_book.h"
#include "core/app/user_text.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"
#include "support/user_folders.h"

namespace norda {
namespace {

using test::LogText;
using test::NativeFsPath;
using test::RandomBytes;
using test::ReadBytes;
using test::WriteBytes;

// The text body hands back from a forked child; "<child failed>" when the child did not end normally.
std::string InChild(const std::function<std::string()>& body) {
  int ends[2];
  if (pipe(ends) != 0) return "<no pipe>";
  const pid_t pid = fork();
  if (pid == 0) {
    close(ends[0]);
    const std::string out = body();
    _exit(write(ends[1], out.data(), out.size()) == static_cast<ssize_t>(out.size()) ? 0 : 3);
  }
  close(ends[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<std::size_t>(n));
  close(ends[0]);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "<child failed>";
  }
  return out;
}

// In a child: every file of this process stops growing at the given size.
void FillDiskAt(rlim_t bytes) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

// In a child: file permissions hold for it even as root, as for an administrator without write access.
bool GiveUpPermissionOverride() {
  if (geteuid() != 0) return true;
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
    data[capability / 32].effective &= ~(1u << (capability % 32));
  }
  return syscall(SYS_capset, &header, data) == 0;
}

class ReportPacking : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseScratchUserFolders(dir);
    folder = ReportFolder();
    bugReport = folder + u"\\BugReport";
    ASSERT_TRUE(os::CreateFolder(bugReport));
    session.descriptionPath = folder + u"\\CrashReport.ini";
    session.sendRecordPath = folder + u"\\SendRecord.ini";
    session.sendRecords.SetSectionNamesBufferSize(102400);
    session.sendRecords.SetPath(session.sendRecordPath);
    Describe(u"SUBJECT=Crash 12\r\n");
  }

  void Describe(const std::u16string& lines) {
    WriteBytes(session.descriptionPath, test::Utf16LeBytes(u"[CrashReport Infor]\r\n" + lines, true));
  }

  // A file of the report; no bytes: a file that is missing.
  void AddFile(const std::u16string& name, const std::string& bytes, int flag = 1) {
    auto file = std::make_unique<ReportFile>();
    file->path = dir / name;
    file->sendFlag = flag;
    if (!bytes.empty()) WriteBytes(file->path, bytes);
    session.files.push_back(std::move(file));
  }

  // Python's zipfile's reading, each entry compared with the file of its name; "unreadable: ..." if none.
  std::string Entries(const std::u16string& archive) {
    std::vector<std::string> args = {"/usr/bin/python3", test::SourceDir() + "/tests/peers/zip_contents.py",
                                     NativeFsPath(archive).string()};
    for (const auto& file : session.files) {
      if (file)
        args.push_back(Utf16ToUtf8(FileNamePart(file->path)) + "=" + NativeFsPath(file->path).string());
    }
    return test::RunCommand(args).output;
  }

  std::u16string Record(const std::u16string& section, const std::u16string& key) {
    return ReadProfileValue(key, session.sendRecordPath, section);
  }

  // An earlier run's report: its archive and its record.
  void EarlierReport() {
    earlier = bugReport + u"\\CrashReport.zip";
    session.archivePath = earlier;
    AddFile(u"earlier.log", LogText(30000, 1));
    std::u16string unused;
    ASSERT_EQ(RecordAndPack(session, false, unused), 1);
    session.files.clear();
    session.fileStatusText.clear();
    earlierArchive = ReadBytes(earlier);
    earlierBook = ReadBytes(session.sendRecordPath);
    session.archivePath = earlier;  // this run's report would take the same name
  }

  void ExpectEarlierReportUntouched() {
    EXPECT_TRUE(ReadBytes(earlier) == earlierArchive) << "the earlier archive changed";
    EXPECT_EQ(Record(u"Record1", u"File Name"), earlier);
    EXPECT_EQ(Record(u"Record1", u"Send or Not"), u"NO");
  }

  std::vector<std::string> FolderNames(const std::u16string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(NativeFsPath(path))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ScratchFolder dir;
  std::u16string folder, bugReport, earlier;
  std::string earlierArchive, earlierBook;
  ReportSession session;
};

TEST_F(ReportPacking, ArchivePathFollowsTheCrashLogName) {
  const struct {
    std::u16string logFile, archiveName;
  } cases[] = {
      {u"relative.name.log", u"relative.name.zip"},
      {u"C:\\x\\noext", u"noext.zip"},
      {u"C:\\x\\" + std::u16string(600, u'a') + u".log", std::u16string(511, u'a') + u".zip"},
  };
  for (const auto& c : cases) {
    Describe(u"LOGFile=" + c.logFile + u"\r\n");
    EXPECT_EQ(ReportArchivePath(), bugReport + u"\\" + c.archiveName);
  }
}

TEST_F(ReportPacking, PacksSelectedPresentFilesAndListsTheirStatus) {
  AddFile(u"crash.log", LogText(70000, 2));
  AddFile(u"skipped.txt", "not wanted", 0);
  AddFile(u"missing.dmp", "");
  session.files.push_back(nullptr);  // an empty slot is passed over
  AddFile(u"registry.reg", "REGEDIT4\r\n");
  AddFile(u"inner.zip", "PK already packed");
  const std::u16string archive = dir / u"report.zip", once =
      u"Send_crash.log\r\n NotSend_skipped.txt\r\n Send_registry.reg\r\n Send_inner.zip\r\n ";
  std::u16string status;
  EXPECT_EQ(PackReportFiles(session.files, archive, status), 3);
  EXPECT_EQ(status, once);
  EXPECT_EQ(Entries(archive), "crash.log same\nregistry.reg same\ninner.zip same\n");
  EXPECT_EQ(PackReportFiles(session.files, archive, status), 3);
  EXPECT_EQ(status, once + once) << "the status text grows with every packing";
}

TEST_F(ReportPacking, WithoutAnythingToPackOrAnArchiveNothingIsPacked) {
  // An older archive stays when no file is to go in.
  const std::u16string older = dir / u"report.zip";
  WriteBytes(older, "an older report");
  AddFile(u"only.txt", "", 1);
  AddFile(u"unselected.txt", "data", 0);
  std::u16string status;
  EXPECT_EQ(PackReportFiles(session.files, older, status), 0);
  EXPECT_EQ(status, u"NotSend_unselected.txt\r\n ");
  EXPECT_EQ(ReadBytes(older), "an older report");
  // Packing stops at an archive that cannot be created: a file where the
  // folder should be, or a folder that does not exist.
  session.files.clear();
  AddFile(u"a.log", "first");
  AddFile(u"b.log", "second");
  WriteBytes(dir / u"BugReport", "not a folder");
  for (const std::u16string& archive : {dir / u"BugReport\\report.zip", dir / u"none\\report.zip"}) {
    status.clear();
    EXPECT_EQ(PackReportFiles(session.files, archive, status), 0);
    EXPECT_EQ(status, u"Send_a.log\r\n ");
  }
}

TEST_F(ReportPacking, OverlongNumberedNameIsRefusedWithoutOverwriting) {
  // An existing archive whose path fills the 511 units of its buffer: no
  // numbered name fits, so the report is neither recorded nor packed over it.
  std::u16string path = dir.Path();
  while (path.size() < 300) {
    path += u"\\" + std::u16string(100, u'f');
    ASSERT_TRUE(os::CreateFolder(path));
  }
  const std::u16string archive = path + u"\\" + std::u16string(511 - path.size() - 5, u'a') + u".zip";
  WriteBytes(archive, "an older report");
  session.archivePath = archive;
  AddFile(u"crash.log", "log");
  std::u16string section = u"untouched";
  EXPECT_EQ(RecordAndPack(session, true, section), 0);
  EXPECT_EQ(section, u"untouched");
  EXPECT_TRUE(session.archivePath.empty());
  EXPECT_FALSE(os::PathExists(session.sendRecordPath));
  EXPECT_EQ(ReadBytes(archive), "an older report");
}

// The book's edges; numbered archives across runs and Don't Send are checked end to end.
TEST_F(ReportPacking, RecordSectionsAreTakenWithoutRegardToCaseEvenBeyondTheNamesBuffer) {
  WriteBytes(session.sendRecordPath, "[record1]\r\nFile Name=x\r\n[Other]\r\n");
  std::u16string section;
  EXPECT_TRUE(AddSendRecord(session, bugReport + u"\\a.zip", true, section));
  EXPECT_EQ(section, u"Record2");
  EXPECT_EQ(Record(u"Record2", u"File Name"), bugReport + u"\\a.zip");
  EXPECT_EQ(Record(u"Record2", u"Email Subject"), u"Crash 12");
  EXPECT_EQ(Record(u"record1", u"File Name"), u"x") << "other sections stay";
  // 12,000 records: the names no longer fit the 102400-unit buffer, so the
  // search sees only the first ones and may hand out a name already used.
  std::string book;
  for (int n = 1; n <= 12000; ++n) book += "[Record" + std::to_string(n) + "]\r\nSend or Not=YES\r\n";
  WriteBytes(session.sendRecordPath, book);
  const std::u16string name = FreeRecordSection(session.sendRecords, 1, SectionMatch::IgnoringCase);
  ASSERT_EQ(name.rfind(u"Record", 0), 0u);
  EXPECT_GT(std::stoi(Utf16ToUtf8(name.substr(6))), 8000);
  EXPECT_LE(std::stoi(Utf16ToUtf8(name.substr(6))), 12001);
}

TEST_F(ReportPacking, UnsentInstructionsAreACrashLogAndDontSendWithoutArchiveOnlyEnds) {
  session.archivePath = ReportArchivePath();
  WriteBytes(dir / u"instructions.txt", "Please Send the Report to us");
  std::u16string section;
  RecordUnsentReport(session, dir / u"instructions.txt", section);
  EXPECT_EQ(section, u"Record1");
  ASSERT_EQ(session.files.size(), 1u);
  EXPECT_EQ(session.files[0]->description + u" " + session.files[0]->type, u"Crash Log Text Document");
  os::RemoveFile(session.sendRecordPath);
  session.archivePath.clear();
  EXPECT_EQ(DontSend(session, u"text"), DontSendOutcome::Ended);
  EXPECT_FALSE(os::PathExists(session.sendRecordPath));
  EXPECT_FALSE(os::PathExists(folder + u"\\Crash 12User.txt"));
}

TEST_F(ReportPacking, DiskFillingUpWhileTheArchiveIsWritten) {
  // The dump does not fit: its add fails, the files around it go in, and every reader takes the archive.
  const struct {
    rlim_t limit;
    std::string entries;
  } cases[] = {{200 << 10, "crash.log same\nregistry.reg same\n"}, {20 << 10, "registry.reg same\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    session.files.clear();
    for (const char16_t* name : {u"\\CrashReport0.zip", u"\\CrashReport.zip"})
      os::RemoveFile(bugReport + name);
    os::RemoveFile(session.sendRecordPath);
    EarlierReport();
    AddFile(u"crash.log", LogText(200000, 2));
    AddFile(u"memory.dmp", RandomBytes(3 << 20, 3));
    AddFile(u"registry.reg", LogText(20000, 4));
    const std::string packed = InChild([&] {
      FillDiskAt(c.limit);
      std::u16string section;
      const int count = RecordAndPack(session, true, section);
      return std::to_string(count) + " " + Utf16ToUtf8(section) + " " + Utf16ToUtf8(session.archivePath);
    });
    const std::u16string archive = bugReport + u"\\CrashReport0.zip";
    EXPECT_EQ(packed, std::to_string(std::count(c.entries.begin(), c.entries.end(), '\n')) + " Record2 " +
                          Utf16ToUtf8(archive));
    EXPECT_EQ(Entries(archive), c.entries);
    const auto unzip = test::RunCommand({"/usr/bin/unzip", "-tq", NativeFsPath(archive).string()});
    EXPECT_EQ(unzip.exitCode, 0) << unzip.output;
    ExpectEarlierReportUntouched();
    EXPECT_EQ(Record(u"Record2", u"File Name"), archive);
    EXPECT_EQ(Record(u"Record2", u"Send or Not"), u"NO");
    EXPECT_EQ(Record(u"Record2", u"Email Subject"), u"Crash 12");
  }
}

TEST_F(ReportPacking, ARecordThatTheFullDiskCannotTakeLeavesTheBookAsItWas) {
  // A book rewritten in place would be torn where the disk ran full; nor may a half-written file stay.
  EarlierReport();
  for (unsigned n = 0; n < 20; ++n) {
    session.sendRecords.WriteString(u"Record" + DecimalText(n + 2), u"File Name",
                                    bugReport + u"\\Older" + DecimalText(n) + u".zip");
  }
  const std::string book = ReadBytes(session.sendRecordPath);
  const std::vector<std::string> before = FolderNames(folder);
  const std::string added = InChild([&] {
    FillDiskAt(book.size() + 8);  // room for no new line of the book
    std::u16string section;
    AddSendRecord(session, bugReport + u"\\Next.zip", true, section);
    return Utf16ToUtf8(section);
  });
  EXPECT_EQ(added, "Record22");
  EXPECT_TRUE(ReadBytes(session.sendRecordPath) == book) << "the book changed";
  EXPECT_EQ(FolderNames(folder), before);
  // With room on the disk the same record goes in.
  std::u16string section;
  AddSendRecord(session, bugReport + u"\\Next.zip", true, section);
  EXPECT_EQ(Record(section, u"File Name"), bugReport + u"\\Next.zip");
  EXPECT_EQ(Record(u"Record21", u"File Name"), bugReport + u"\\Older19.zip");
}

TEST_F(ReportPacking, ReportFolderThatCannotBeWritten) {
  // No record, no archive, no user text; the earlier report stays, and the book claims nothing new.
  EarlierReport();
  AddFile(u"crash.log", LogText(20000, 5));
  ASSERT_EQ(chmod(NativeFsPath(folder).c_str(), 0555), 0);
  ASSERT_EQ(chmod(NativeFsPath(bugReport).c_str(), 0555), 0);
  const std::string result = InChild([&] {
    if (!GiveUpPermissionOverride()) return std::string("<cannot give up root's override>");
    if (os::WriteWholeFile(folder + u"\\probe.txt", "x")) return std::string("<the folder is writable>");
    std::u16string section = u"untouched";
    const int count = RecordAndPack(session, true, section);
    const bool userText = WriteUserText(session, u"It crashed").has_value();
    return std::to_string(count) + " " + Utf16ToUtf8(session.archivePath) + " " +
           (userText ? "user text written" : "no user text");
  });
  chmod(NativeFsPath(folder).c_str(), 0755);
  chmod(NativeFsPath(bugReport).c_str(), 0755);
  EXPECT_EQ(result, "0 " + Utf16ToUtf8(bugReport + u"\\CrashReport0.zip") + " no user text");
  EXPECT_EQ(FolderNames(bugReport), std::vector<std::string>{"CrashReport.zip"});
  EXPECT_TRUE(ReadBytes(session.sendRecordPath) == earlierBook) << "the book changed";
  ExpectEarlierReportUntouched();
}

}  // namespace
}  // namespace norda
