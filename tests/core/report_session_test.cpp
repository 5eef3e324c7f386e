// The report session where the real program under Wine (tests/e2e) does not
// reach: the file list's scan rules, read-only, held, empty or broken files in
// it and at clean-up, the recovery prompt's edge cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/app/clean_up.h"
#include "core/app/file_list.h"
#include "core/app/recovery_prompt.h"
#include "core/app/report_session.h"
#include "core/support/text.h"
#include "os/file.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

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
  std::u16string Named(const std::u16string& key) const {
    return key + u"-" + FileNamePart(dir.Path()) + u".x";
  }
  std::u16string NamedPath(const std::u16string& key) const { return crash + u"\\" + Named(key); }
  std::u16string TempCopy(const std::u16string& key) const {
    return os::TempFolder() + key + u"_" + Named(key);
  }

  // A description in UTF-16 with a byte-order mark naming the crash files
  // (written too when withNamedFiles), with the given "FilesToAdd" lines.
  void WriteReport(const std::u16string& filesToAdd, bool withNamedFiles = true) {
    std::u16string ini = u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n";
    for (const char16_t* key :
         {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN", u"UNDOFile", u"RECENTOPERATION"}) {
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
           u"\\b.txt,Beta,Text\r\nFile006=" + crash + u"\\c.txt,,Text\r\nFile007=" + crash +
           u"\\c.txt,C,T\r\n",
       {crash + u"\\a.txt", u"A", u"T", app + u"\\relative.txt", u"Relative", u"Text", crash + u"\\b.txt",
        u"Beta", u"Text"}},
      {"gap at 2", a + u"File003=" + crash + u"\\b.txt,B,T\r\n", {crash + u"\\a.txt", u"A", u"T"}},
      {"key without value",
       a + u"File002=\r\nFile003=" + crash + u"\\b.txt,B,T\r\n",
       {crash + u"\\a.txt", u"A", u"T"}},
      {"separators only", u"File001=,,,\r\nFile002=" + crash + u"\\b.txt,B,T\r\n", {}},
      {"line breaks separate", u"File001=" + crash + u"\\a.txt\r,A\n,T\r\n", {}},
      // Values are read up to 249 characters: what follows three parts that
      // fit is ignored; a name cut short leaves too few parts.
      {"long values",
       u"File001=" + crash + u"\\a.txt,A,T," + std::u16string(400, u'x') + u"\r\nFile002=" + cut +
           u"\r\nFile003=" + crash + u"\\b.txt,B,T\r\n",
       {crash + u"\\a.txt", u"A", u"T"}},
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
  EXPECT_EQ(Listed(),
            (std::vector<std::u16string>{TempCopy(u"LOGFile"), u"LOGFile", u"x", TempCopy(u"REGFile"),
                                         u"REGFile", u"x", TempCopy(u"OPEN"), u"OPEN", u"x"}));
}

TEST_F(CrashReport, BrokenOrMissingDescriptionsListNothingAndHarmNothing) {
  WriteReport(u"");
  BuildFileList(session);  // copies from a good description, which then breaks
  session.files.clear();
  session.userTextPath = dir / u"User.txt";
  for (const std::string& body : {std::string(), std::string("\xFF\xFE"), std::string("\xFF\xFE[\0C\0r\0", 8),
                                   std::string("\x00\x01\x02\xFF\xFE\x7F\x80\x00garbage\x00\x00", 18)}) {
    WriteBytes(session.descriptionPath, body);
    WriteBytes(session.userTextPath, "text");
    BuildFileList(session);
    EXPECT_TRUE(session.files.empty());
    CleanUpReport(session);
    EXPECT_FALSE(os::PathExists(session.descriptionPath)) << "the description goes at clean-up";
    EXPECT_FALSE(os::PathExists(session.userTextPath));
    BuildFileList(session);
    EXPECT_TRUE(session.files.empty());
    WriteBytes(session.userTextPath, "text");
    CleanUpReport(session);  // without any description only the user text goes
    EXPECT_FALSE(os::PathExists(session.userTextPath));
  }
  EXPECT_TRUE(os::PathExists(TempCopy(u"LOGFile"))) << "without a description no copy is known";
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
// even when read-only; the crash files themselves only when writable. What
// goes and stays of writable material is the scenarios' expect_cleaned_up.
TEST_F(CrashReport, CleanUpRemovesReadOnlyMaterialButNotReadOnlyCrashFiles) {
  WriteReport(u"");
  BuildFileList(session);
  ASSERT_EQ(session.files.size(), 4u);
  session.userTextPath = dir / u"Crash 12User.txt";
  WriteBytes(session.userTextPath, "text");
  for (const std::u16string& path :
       {session.userTextPath, NamedPath(u"RECENTOPERATION"), TempCopy(u"DMPFile"), NamedPath(u"LOGFile")}) {
    ASSERT_TRUE(os::SetFileAttributesTo(path, os::kAttrReadOnly));
  }
  ASSERT_TRUE(os::SetFileAttributesTo(session.descriptionPath, os::kAttrReadOnly | os::kAttrArchive));
  CleanUpReport(session);
  EXPECT_TRUE(session.files.empty());
  EXPECT_FALSE(os::PathExists(TempCopy(u"DMPFile")));
  EXPECT_FALSE(os::PathExists(NamedPath(u"RECENTOPERATION")));
  EXPECT_TRUE(os::PathExists(NamedPath(u"LOGFile"))) << "a read-only crash file survives its plain removal";
  EXPECT_FALSE(os::PathExists(session.descriptionPath));
  EXPECT_FALSE(os::PathExists(session.userTextPath));
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
  const std::u16string drawing = dir / u"a.dwg";
  test::WriteBytes(drawing, "drawing");
  test::WriteBytes(RecoveryListPath(), Utf16LeBytes(drawing + u"&&N||x", true));
  ScriptedAnswers empty;
  RecoveryPrompt(empty);
  EXPECT_EQ(empty.asked, std::vector<std::u16string>{u""});
  EXPECT_TRUE(os::PathExists(drawing));
}

}  // namespace
}  // namespace norda
