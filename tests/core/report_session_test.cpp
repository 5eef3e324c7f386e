// The report session in the core, where the real program under Wine
// (tests/e2e) does not reach: the file list's scan rules and what read-only,
// held, empty or broken files do to it and to the clean-up; the recovery
// list's lines and the prompt's edge cases (the questions and deletions are
// the scenario recovery_questions, any bytes fuzz/recovery_list_fuzz.cpp's);
// the send record book's edges (numbered archives across runs and Don't Send
// are the scenarios three_runs and dont_send*, the unsent report after a
// failed mail tests/delivery/send_flow_test.cpp's, a full disk tests/native's).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/app/clean_up.h"
#include "core/app/dont_send.h"
#include "core/app/file_list.h"
#include "core/app/recovery_prompt.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/app/report_session.h"
#include "core/app/send_record_book.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "os/file.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/user_folders.h"

namespace norda {
namespace {

using test::Utf16LeBytes;
using test::WriteBytes;

class CrashReport : public ::testing::Test {
 protected:
  void SetUp() override {
    crash = dir / u"crash";
    app = dir / u"app";
    ASSERT_TRUE(os::CreateFolder(crash));
    ASSERT_TRUE(os::CreateFolder(app));
    session.descriptionPath = dir / u"CrashReport.ini";
    session.applicationFolder = app + u"\\";
  }

  void TearDown() override {
    for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN"}) {
      for (const std::u16string& copy : {TempCopy(key), os::CopyFallbackFolder() + key + u"_" + Named(key)}) {
        os::SetFileAttributesTo(copy, os::kAttrArchive);
        os::RemoveFile(copy);
      }
    }
  }

  // Copies go to the shared temporary folder: names unique to this test.
  std::u16string Named(const std::u16string& key) const { return key + u"-" + FileNamePart(dir.Path()) + u".x"; }
  std::u16string NamedPath(const std::u16string& key) const { return crash + u"\\" + Named(key); }
  std::u16string TempCopy(const std::u16string& key) const { return os::TempFolder() + key + u"_" + Named(key); }

  // A description in UTF-16 with a byte-order mark naming the crash files
  // (written too when withNamedFiles), with the given "FilesToAdd" lines.
  void WriteReport(const std::u16string& filesToAdd, bool withNamedFiles = true) {
    std::u16string ini = u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n";
    for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN", u"UNDOFile", u"RECENTOPERATION"}) {
      if (withNamedFiles) WriteBytes(NamedPath(key), std::string(3000, 'c'));
      ini += std::u16string(key) + u"=" + NamedPath(key) + u"\r\n";
    }
    WriteBytes(session.descriptionPath, Utf16LeBytes(ini + u"[FilesToAdd]\r\n" + filesToAdd, true));
  }

  // path, description, type of each listed file.
  std::vector<std::u16string> Listed() {
    std::vector<std::u16string> fields;
    for (const auto& f : session.files) {
      fields.insert(fields.end(), {f->path, f->description, f->type});
      EXPECT_EQ(f->sendFlag, 1);
      EXPECT_FALSE(f->sizeText.empty());
    }
    return fields;
  }

  test::ScratchFolder dir;
  std::u16string crash, app;
  ReportSession session;
};

TEST_F(CrashReport, FilesToAddAreListedUntilTheFirstGapOrShortValue) {
  for (const char16_t* name : {u"a.txt", u"b.txt", u"c.txt"}) WriteBytes(crash + u"\\" + name, "data");
  WriteBytes(crash + u"\\empty.txt", "");
  WriteBytes(app + u"\\relative.txt", "beside the application");
  const std::u16string a = u"File001=" + crash + u"\\a.txt,A,T\r\n";
  const std::u16string cut = crash + u"\\" + std::u16string(260, u'n') + u".txt,Long,Text";
  const struct {
    const char* name;
    std::u16string filesToAdd;
    std::vector<std::u16string> listed;
  } cases[] = {
      {"relative, empty, missing and extra fields; an empty description ends the scan",
       a + u"File002=relative.txt,Relative,Text,ignored fourth\r\nFile003=" + crash +
           u"\\empty.txt,Empty,Text\r\nFile004=" + crash + u"\\missing.txt,Missing,Text\r\nFile005=" + crash +
           u"\\b.txt,Beta,Text\r\nFile006=" + crash + u"\\c.txt,,Text\r\nFile007=" + crash + u"\\c.txt,C,T\r\n",
       {crash + u"\\a.txt", u"A", u"T", app + u"\\relative.txt", u"Relative", u"Text", crash + u"\\b.txt", u"Beta",
        u"Text"}},
      {"gap at 2", a + u"File003=" + crash + u"\\b.txt,B,T\r\n", {crash + u"\\a.txt", u"A", u"T"}},
      {"key without value", a + u"File002=\r\nFile003=" + crash + u"\\b.txt,B,T\r\n", {crash + u"\\a.txt", u"A", u"T"}},
      {"separators only", u"File001=,,,\r\nFile002=" + crash + u"\\b.txt,B,T\r\n", {}},
      {"line breaks separate", u"File001=" + crash + u"\\a.txt\r,A\n,T\r\n", {}},
      // Values are read up to 249 characters: what follows three parts that
      // fit is ignored; a name cut short leaves too few parts.
      {"long values",
       u"File001=" + crash + u"\\a.txt,A,T," + std::u16string(400, u'x') + u"\r\nFile002=" + cut + u"\r\nFile003=" +
           crash + u"\\b.txt,B,T\r\n",
       {crash + u"\\a.txt", u"A", u"T"}},
      {"no section", u"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteReport(c.filesToAdd, false);
    session.files.clear();
    BuildFileList(session);
    EXPECT_EQ(Listed(), c.listed);
  }
}

TEST_F(CrashReport, HeldOrEmptyFilesAreLeftOut) {
  WriteBytes(crash + u"\\held.txt", "held by another program");
  WriteReport(u"File001=" + crash + u"\\held.txt,Held,Text\r\n");
  WriteBytes(NamedPath(u"DMPFile"), "");
  os::File holder = os::File::OpenExistingForWriting(crash + u"\\held.txt");
  ASSERT_TRUE(holder.IsOpen());
  BuildFileList(session);
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{TempCopy(u"LOGFile"), u"LOGFile", u"x", TempCopy(u"REGFile"),
                                                   u"REGFile", u"x", TempCopy(u"OPEN"), u"OPEN", u"x"}));
}

TEST_F(CrashReport, BrokenOrMissingDescriptionsListNothingAndHarmNothing) {
  WriteReport(u"");
  for (const std::string& body : {std::string(), std::string("\xFF\xFE"), std::string("\xFF\xFE[\0C\0r\0", 8),
                                   std::string("\x00\x01\x02\xFF\xFE\x7F\x80\x00garbage\x00\x00", 18)}) {
    WriteBytes(session.descriptionPath, body);
    BuildFileList(session);
    EXPECT_TRUE(session.files.empty());
    CleanUpReport(session);
    EXPECT_FALSE(os::PathExists(session.descriptionPath)) << "the description goes at clean-up";
    BuildFileList(session);
    EXPECT_TRUE(session.files.empty());
  }
  EXPECT_FALSE(os::PathExists(TempCopy(u"LOGFile")));
  EXPECT_TRUE(os::PathExists(NamedPath(u"LOGFile")));
}

TEST_F(CrashReport, CopyFallsBackWhenTheTemporaryFolderRefusesIt) {
  WriteReport(u"");
  // A folder where the copy should go makes the copy fail.
  ASSERT_TRUE(os::CreateFolder(TempCopy(u"LOGFile")));
  BuildFileList(session);
  const std::u16string fallback = os::CopyFallbackFolder() + u"LOGFile_" + Named(u"LOGFile");
  ASSERT_TRUE(session.copyFallbackUsed);
  ASSERT_GE(session.files.size(), 1u);
  EXPECT_EQ(session.files[0]->path, fallback);
  // Once the fallback is used, every copy of the session is looked for there.
  CleanUpReport(session);
  EXPECT_FALSE(os::PathExists(fallback));
  EXPECT_TRUE(os::FolderExists(TempCopy(u"LOGFile")));
  std::filesystem::remove(test::NativeFsPath(TempCopy(u"LOGFile")));
}

// The copies, the recent operations, the description and the user text go
// even when read-only; the crash files themselves only when writable.
TEST_F(CrashReport, CleanUpRemovesReadOnlyMaterialButNotReadOnlyCrashFiles) {
  WriteReport(u"");
  BuildFileList(session);
  ASSERT_EQ(session.files.size(), 4u);
  session.userTextPath = dir / u"Crash 12User.txt";
  WriteBytes(session.userTextPath, "text");
  for (const std::u16string& path : {session.userTextPath, NamedPath(u"RECENTOPERATION"), TempCopy(u"DMPFile"),
                                     NamedPath(u"LOGFile")}) {
    ASSERT_TRUE(os::SetFileAttributesTo(path, os::kAttrReadOnly));
  }
  ASSERT_TRUE(os::SetFileAttributesTo(session.descriptionPath, os::kAttrReadOnly | os::kAttrArchive));
  CleanUpReport(session);
  EXPECT_TRUE(session.files.empty());
  for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN"}) {
    EXPECT_FALSE(os::PathExists(TempCopy(key))) << Utf16ToUtf8(key) << " copy";
  }
  for (const char16_t* key : {u"DMPFile", u"REGFile", u"UNDOFile", u"RECENTOPERATION"}) {
    EXPECT_FALSE(os::PathExists(NamedPath(key))) << Utf16ToUtf8(key);
  }
  EXPECT_TRUE(os::PathExists(NamedPath(u"LOGFile"))) << "a read-only crash file survives its plain removal";
  EXPECT_TRUE(os::PathExists(NamedPath(u"OPEN"))) << "the further file stays";
  EXPECT_FALSE(os::PathExists(session.descriptionPath));
  EXPECT_FALSE(os::PathExists(session.userTextPath));
}

TEST_F(CrashReport, WithoutDescriptionCleanUpRemovesOnlyTheUserText) {
  WriteReport(u"");
  BuildFileList(session);
  os::SetFileAttributesTo(session.descriptionPath, os::kAttrArchive);
  ASSERT_TRUE(os::RemoveFile(session.descriptionPath));
  session.userTextPath = dir / u"User.txt";
  WriteBytes(session.userTextPath, "text");
  CleanUpReport(session);
  EXPECT_FALSE(os::PathExists(session.userTextPath));
  EXPECT_TRUE(os::PathExists(NamedPath(u"LOGFile")));
  EXPECT_TRUE(os::PathExists(TempCopy(u"LOGFile"))) << "without a description no copy is known";
}

TEST(RecoveryList, SplitsLinesAndFields) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> fields;  // three per entry
  } cases[] = {
      {"blank lines and leading blanks vanish", Utf16LeBytes(u"A||B&&Y\r\n\r\n   \r\n  C||D&&N\r\n", true),
       {u"A", u"B", u"Y", u"C", u"D", u"N"}},
      {"&& before || gives an empty savedTo", Utf16LeBytes(u"A&&x||B", true), {u"A&&x", u"", u"x||B"}},
      {"&& right after ||", Utf16LeBytes(u"A||&&y", true), {u"A", u"", u"y"}},
      {"lines without a separator are skipped", Utf16LeBytes(u"A||B\r\nC&&D\r\nE||F&&", true), {u"E", u"F", u""}},
      {"only the first separators split", Utf16LeBytes(u"A||B||C&&D&&E", true), {u"A", u"B||C", u"D&&E"}},
      {"a lone LF does not end a line", Utf16LeBytes(u"A||B\nC&&N", true), {u"A", u"B\nC", u"N"}},
      {"the first line keeps its blanks", Utf16LeBytes(u" A ||B &&Y ", true), {u" A ", u"B ", u"Y "}},
      {"the first unit is dropped unseen, an odd byte ignored", "AB" + Utf16LeBytes(u"x||y&&N", false) + "Z",
       {u"x", u"y", u"N"}},
      {"a mark or a byte alone", "\xFF", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> fields;
    for (const RecoveryEntry& e : ParseRecoveryList(c.bytes)) fields.insert(fields.end(), {e.savedFrom, e.savedTo, e.keepFlag});
    EXPECT_EQ(fields, c.fields) << c.name;
  }
}

// Answers from a script and records the questions asked.
class ScriptedAnswers : public RecoveryQuestion {
 public:
  bool WantsSavedDrawing(const std::u16string& savedTo) override {
    asked.push_back(savedTo);
    return false;
  }
  std::vector<std::u16string> asked;
};

TEST(RecoveryPrompt, ListsWithoutEntriesOrWithoutSavedToAskNothingAndDeleteNothing) {
  test::ScratchFolder dir;
#ifndef _WIN32
  // The documents folder follows HOME on Linux: keep the test out of the real one.
  setenv("HOME", Utf16ToUtf8(dir.Path()).c_str(), 1);
#endif
  os::CreateFolder(os::DocumentsFolder());
  for (const std::string& bytes : {std::string(), std::string("\xFF\xFE"), std::string("\xFF\xFE\x41")}) {
    test::WriteBytes(RecoveryListPath(), bytes);
    ScriptedAnswers answers;
    RecoveryPrompt(answers);
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_FALSE(os::PathExists(RecoveryListPath())) << "the list goes in every case";
  }
  ScriptedAnswers none;
  RecoveryPrompt(none);  // no list at all: nothing asked, nothing fails
  EXPECT_TRUE(none.asked.empty());
  const std::u16string drawing = dir / u"a.dwg";
  test::WriteBytes(drawing, "drawing");
  test::WriteBytes(RecoveryListPath(), Utf16LeBytes(drawing + u"&&N||x", true));
  ScriptedAnswers empty;
  RecoveryPrompt(empty);
  EXPECT_EQ(empty.asked, std::vector<std::u16string>{u""});
  EXPECT_TRUE(os::PathExists(drawing));
}

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
  WriteBytes(session.descriptionPath, Utf16LeBytes(u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n", true));
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
