// The send record book: records, numbered archive names across runs, and the
// unsent-report fallback, read back with the profile reader.
#include "core/app/send_record_book.h"

#include <gtest/gtest.h>

#include "core/app/dont_send.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/app/user_text.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "os/files.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/user_folders.h"

namespace norda {
namespace {

using test::WriteBytes;

class SendRecordBook : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseScratchUserFolders(dir);
    folder = ReportFolder();
  }

  // One run of the program, as the dialog prepares its session.
  std::unique_ptr<ReportSession> NewRun() {
    auto session = std::make_unique<ReportSession>();
    session->descriptionPath = folder + u"\\CrashReport.ini";
    session->sendRecordPath = folder + u"\\SendRecord.ini";
    session->archivePath = ReportArchivePath();
    session->sendRecords.SetSectionNamesBufferSize(102400);
    session->sendRecords.SetPath(session->sendRecordPath);
    return session;
  }

  void AddFile(ReportSession& session, const std::u16string& name, const std::string& bytes) {
    auto file = std::make_unique<ReportFile>();
    file->path = dir / name;
    WriteBytes(file->path, bytes);
    session.files.push_back(std::move(file));
  }

  std::u16string Value(const std::u16string& section, const std::u16string& key) {
    return ReadProfileValue(key, folder + u"\\SendRecord.ini", section);
  }

  void ExpectRecord(const std::u16string& section, const std::u16string& file,
                    const std::u16string& sent, const std::u16string& subject) {
    SCOPED_TRACE(Utf16ToUtf8(section));
    EXPECT_EQ(Value(section, u"File Name"), file);
    EXPECT_EQ(Value(section, u"Send or Not"), sent);
    EXPECT_EQ(Value(section, u"Email Subject"), subject);
  }

  test::ScratchFolder dir;
  std::u16string folder;
};

TEST_F(SendRecordBook, RunsNumberTheArchivesAndRecordEach) {
  const std::u16string bug = folder + u"\\BugReport\\";
  const std::u16string expected[] = {bug + u"CrashReport.zip", bug + u"CrashReport0.zip",
                                     bug + u"CrashReport1.zip"};
  for (int run = 0; run < 3; ++run) {
    auto session = NewRun();
    AddFile(*session, u"crash.log", "run " + std::to_string(run));
    std::u16string section = u"untouched";
    EXPECT_EQ(RecordAndPack(*session, false, section), 1);
    EXPECT_EQ(section, u"untouched") << "no section wanted";
    EXPECT_EQ(session->archivePath, expected[run]);
    EXPECT_TRUE(os::PathExists(expected[run]));
    // Without a subject the record takes the title of the name the report was meant to have.
    ExpectRecord(u"Record" + DecimalText(run + 1), expected[run], u"NO", u"CrashReport");
  }
}

TEST_F(SendRecordBook, SubjectSectionNamesAndWantedSection) {
  WriteBytes(folder + u"\\CrashReport.ini",
             test::Utf16LeBytes(u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n", true));
  // A section named in lower case counts as taken.
  WriteBytes(folder + u"\\SendRecord.ini", "[record1]\r\nFile Name=x\r\n[Other]\r\n");
  auto session = NewRun();
  std::u16string section;
  EXPECT_TRUE(AddSendRecord(*session, session->archivePath, true, section));
  EXPECT_EQ(section, u"Record2");
  ExpectRecord(u"Record2", session->archivePath, u"NO", u"Crash 12");
  EXPECT_EQ(Value(u"Other", u"x"), u"") << "other sections stay as they were";
  EXPECT_EQ(Value(u"record1", u"File Name"), u"x");
}

TEST_F(SendRecordBook, UnsentReportGoesToTheNextNumberWithTheInstructions) {
  auto session = NewRun();
  AddFile(*session, u"crash.log", "log");
  std::u16string first;
  EXPECT_EQ(RecordAndPack(*session, true, first), 1);
  EXPECT_EQ(first, u"Record1");
  const std::u16string instructions = dir / u"instructions.txt";
  WriteBytes(instructions, "Please Send the Report to us");
  std::u16string section;
  RecordUnsentReport(*session, instructions, section);
  EXPECT_EQ(section, u"Record2");
  const std::u16string numbered = folder + u"\\BugReport\\CrashReport0.zip";
  EXPECT_EQ(session->archivePath, numbered);
  ASSERT_EQ(session->files.size(), 2u);
  EXPECT_EQ(session->files[1]->description, u"Crash Log");
  EXPECT_EQ(session->files[1]->type, u"Text Document");
  EXPECT_TRUE(os::PathExists(numbered));
  ExpectRecord(u"Record2", numbered, u"NO", u"CrashReport0");
  ExpectRecord(u"Record1", folder + u"\\BugReport\\CrashReport.zip", u"NO", u"CrashReport");
}

TEST_F(SendRecordBook, BookBeyondTheSectionNamesBuffer) {
  // 12,000 records: the names no longer fit the 102400-unit buffer, so the
  // search sees only the first ones and may hand out a name already used.
  std::string book;
  for (int n = 1; n <= 12000; ++n) {
    book += "[Record" + std::to_string(n) + "]\r\nSend or Not=YES\r\n";
  }
  WriteBytes(folder + u"\\SendRecord.ini", book);
  auto session = NewRun();
  const std::u16string name = FreeRecordSection(session->sendRecords, 1, SectionMatch::IgnoringCase);
  ASSERT_EQ(name.rfind(u"Record", 0), 0u);
  const int number = std::stoi(Utf16ToUtf8(name.substr(6)));
  EXPECT_GT(number, 8000);
  EXPECT_LE(number, 12001);
}

TEST_F(SendRecordBook, DontSendKeepsTheDescription) {
  WriteBytes(folder + u"\\CrashReport.ini",
             test::Utf16LeBytes(u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n", true));
  {
    auto session = NewRun();
    AddFile(*session, u"crash.log", "log");
    EXPECT_EQ(DontSend(*session, u""), DontSendOutcome::Ended);
    EXPECT_EQ(session->files.size(), 1u) << "no description, no user text file";
    EXPECT_FALSE(os::PathExists(folder + u"\\Crash 12User.txt"));
  }
  auto session = NewRun();
  AddFile(*session, u"crash.log", "log");
  const std::u16string text = u"I pressed \u00C4 and it died";
  EXPECT_EQ(DontSend(*session, text), DontSendOutcome::Ended);
  const std::u16string userText = folder + u"\\Crash 12User.txt";
  EXPECT_EQ(session->userTextPath, userText);
  ASSERT_EQ(session->files.size(), 2u);
  EXPECT_EQ(session->files[1]->path, userText);
  EXPECT_EQ(session->files[1]->description, u"");
  EXPECT_EQ(session->files[1]->type, u"");
  EXPECT_EQ(test::ReadBytes(userText), test::Utf16LeBytes(text, false) + std::string(2, '\0'));
  ExpectRecord(u"Record2", folder + u"\\BugReport\\CrashReport0.zip", u"NO", u"Crash 12");
}

TEST_F(SendRecordBook, DontSendWithoutArchivePathOnlyEnds) {
  auto session = NewRun();
  session->archivePath.clear();
  EXPECT_EQ(DontSend(*session, u"text"), DontSendOutcome::Ended);
  EXPECT_FALSE(os::PathExists(folder + u"\\SendRecord.ini"));
  EXPECT_FALSE(os::PathExists(folder + u"\\User.txt"));
}

}  // namespace
}  // namespace norda
