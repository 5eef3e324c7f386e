// The send record book's edges, read back with the profile reader. Numbered
// archives across runs and Don't Send are the end-to-end scenarios
// three_runs and dont_send*; the unsent report after a failed mail is
// tests/delivery/send_flow_test.cpp's; a full disk is tests/native's.
#include "core/app/send_record_book.h"

#include <gtest/gtest.h>

#include "core/app/dont_send.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
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
    session.descriptionPath = folder + u"\\CrashReport.ini";
    session.sendRecordPath = folder + u"\\SendRecord.ini";
    session.archivePath = ReportArchivePath();
    session.sendRecords.SetSectionNamesBufferSize(102400);
    session.sendRecords.SetPath(session.sendRecordPath);
  }

  std::u16string Value(const std::u16string& section, const std::u16string& key) {
    return ReadProfileValue(key, session.sendRecordPath, section);
  }

  test::ScratchFolder dir;
  std::u16string folder;
  ReportSession session;
};

TEST_F(SendRecordBook, SectionsAreTakenWithoutRegardToCaseAndOthersStay) {
  WriteBytes(session.descriptionPath, test::Utf16LeBytes(u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n", true));
  WriteBytes(session.sendRecordPath, "[record1]\r\nFile Name=x\r\n[Other]\r\n");
  std::u16string section;
  EXPECT_TRUE(AddSendRecord(session, session.archivePath, true, section));
  EXPECT_EQ(section, u"Record2");
  EXPECT_EQ(Value(u"Record2", u"File Name"), session.archivePath);
  EXPECT_EQ(Value(u"Record2", u"Send or Not"), u"NO");
  EXPECT_EQ(Value(u"Record2", u"Email Subject"), u"Crash 12");
  EXPECT_EQ(Value(u"record1", u"File Name"), u"x");
}

TEST_F(SendRecordBook, BookBeyondTheSectionNamesBuffer) {
  // 12,000 records: the names no longer fit the 102400-unit buffer, so the
  // search sees only the first ones and may hand out a name already used.
  std::string book;
  for (int n = 1; n <= 12000; ++n) book += "[Record" + std::to_string(n) + "]\r\nSend or Not=YES\r\n";
  WriteBytes(session.sendRecordPath, book);
  const std::u16string name = FreeRecordSection(session);
  ASSERT_EQ(name.rfind(u"Record", 0), 0u);
  const int number = std::stoi(Utf16ToUtf8(name.substr(6)));
  EXPECT_GT(number, 8000);
  EXPECT_LE(number, 12001);
}

TEST_F(SendRecordBook, TheInstructionsOfAnUnsentReportAreItsCrashLog) {
  const std::u16string instructions = dir / u"instructions.txt";
  WriteBytes(instructions, "Please Send the Report to us");
  std::u16string section;
  RecordUnsentReport(session, instructions, section);
  EXPECT_EQ(section, u"Record1");
  ASSERT_EQ(session.files.size(), 1u);
  EXPECT_EQ(session.files[0]->description, u"Crash Log");
  EXPECT_EQ(session.files[0]->type, u"Text Document");
}

TEST_F(SendRecordBook, DontSendWithoutArchivePathOnlyEnds) {
  session.archivePath.clear();
  EXPECT_EQ(DontSend(session, u"text"), DontSendOutcome::Ended);
  EXPECT_FALSE(os::PathExists(session.sendRecordPath));
  EXPECT_FALSE(os::PathExists(folder + u"\\User.txt"));
}

}  // namespace
}  // namespace norda
