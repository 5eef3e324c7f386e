// The report's file list and the clean-up, on a crash report laid out the way
// the CAD application leaves it.
#include <gtest/gtest.h>

#include <vector>

#include "core/app/clean_up.h"
#include "core/app/file_list.h"
#include "core/app/report_folder.h"
#include "core/app/report_session.h"
#include "core/support/text.h"
#include "os/file.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ScratchFolder;
using test::Utf16LeBytes;
using test::WriteBytes;

struct Expected {
  std::u16string path, description, type;
};

// A crash: named files in a folder of their own, the application's folder, and
// a description in UTF-16 with a byte-order mark, as the CAD application writes it.
class CrashReport : public ::testing::Test {
 protected:
  void SetUp() override {
    crash = dir / u"crash";
    app = dir / u"app";
    ASSERT_TRUE(os::CreateFolder(crash));
    ASSERT_TRUE(os::CreateFolder(app));
    // Copies go to the shared temporary folder: names unique to this test.
    tag = FileNamePart(dir.Path());
    session.descriptionPath = dir / u"CrashReport.ini";
    session.applicationFolder = app + u"\\";
  }

  void TearDown() override {
    for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN"}) {
      for (const std::u16string& folder : {os::TempFolder(), os::CopyFallbackFolder()}) {
        const std::u16string copy = folder + key + u"_" + Named(key);
        os::SetFileAttributesTo(copy, os::kAttrArchive);
        os::RemoveFile(copy);
      }
    }
  }

  std::u16string Named(const std::u16string& key) const {
    if (key == u"LOGFile") return u"crash-" + tag + u".log";
    if (key == u"DMPFile") return u"crash-" + tag + u".dmp";
    if (key == u"REGFile") return u"registry-" + tag + u".reg";
    if (key == u"UNDOFile") return u"undo-" + tag + u".und";
    if (key == u"RECENTOPERATION") return u"recent-" + tag + u".txt";
    return u"drawing-" + tag + u".dwg";
  }
  std::u16string NamedPath(const std::u16string& key) const { return crash + u"\\" + Named(key); }

  // Writes the named files and a description naming them, plus extra lines.
  void WriteReport(const std::u16string& filesToAdd, bool withNamedFiles = true) {
    std::u16string ini = u"[CrashReport Infor]\r\nSUBJECT=Crash 12\r\n";
    for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN", u"UNDOFile",
                                u"RECENTOPERATION"}) {
      if (withNamedFiles) WriteBytes(NamedPath(key), std::string(3000, 'c'));
      ini += std::u16string(key) + u"=" + NamedPath(key) + u"\r\n";
    }
    ini += u"[FilesToAdd]\r\n" + filesToAdd;
    WriteBytes(session.descriptionPath, Utf16LeBytes(ini, true));
  }

  void ExpectList(const std::vector<Expected>& expected) {
    ASSERT_EQ(session.files.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      const ReportFile& f = *session.files[i];
      EXPECT_EQ(f.path, expected[i].path);
      EXPECT_EQ(f.description, expected[i].description);
      EXPECT_EQ(f.type, expected[i].type);
      EXPECT_EQ(f.sendFlag, 1);
      EXPECT_FALSE(f.sizeText.empty());
    }
  }

  std::u16string TempCopy(const std::u16string& key) const {
    return os::TempFolder() + key + u"_" + Named(key);
  }

  ScratchFolder dir;
  std::u16string crash, app, tag;
  ReportSession session;
};

TEST_F(CrashReport, ListsFilesToAddInKeyOrderThenNamedCopies) {
  WriteBytes(crash + u"\\a.txt", "alpha");
  WriteBytes(app + u"\\relative.txt", "beside the application");
  WriteBytes(crash + u"\\empty.txt", "");
  WriteBytes(crash + u"\\b.txt", "beta");
  WriteBytes(crash + u"\\c.txt", "gamma");
  WriteReport(u"File001=" + crash + u"\\a.txt,Alpha file,Text\r\n"
              u"File002=relative.txt,Relative,Text,ignored fourth\r\n"
              u"File003=" + crash + u"\\empty.txt,Empty,Text\r\n"
              u"File004=" + crash + u"\\missing.txt,Missing,Text\r\n"
              u"File005=" + crash + u"\\b.txt,Beta,Text\r\n"
              u"File006=" + crash + u"\\c.txt,,Text\r\n"
              u"File007=" + crash + u"\\a.txt,After the end,Text\r\n");
  BuildFileList(session);
  ExpectList({
      {crash + u"\\a.txt", u"Alpha file", u"Text"},
      {app + u"\\relative.txt", u"Relative", u"Text"},
      {crash + u"\\b.txt", u"Beta", u"Text"},
      {TempCopy(u"LOGFile"), u"LOGFile", u"log"},
      {TempCopy(u"DMPFile"), u"DMPFile", u"dmp"},
      {TempCopy(u"REGFile"), u"REGFile", u"reg"},
      {TempCopy(u"OPEN"), u"OPEN", u"dwg"},
  });
  EXPECT_FALSE(session.copyFallbackUsed);
  EXPECT_EQ(test::ReadBytes(TempCopy(u"LOGFile")), std::string(3000, 'c'));
  EXPECT_EQ(session.files[3]->sizeText, u"3 KB ");
}

TEST_F(CrashReport, ScanStopsAtTheFirstGapOrShortValue) {
  WriteBytes(crash + u"\\a.txt", "alpha");
  struct Case {
    const char* name;
    std::u16string filesToAdd;
    size_t listed;
  } cases[] = {
      {"gap at 2", u"File001=" + crash + u"\\a.txt,A,T\r\nFile003=" + crash + u"\\a.txt,A,T\r\n", 1},
      {"key without value", u"File001=" + crash + u"\\a.txt,A,T\r\nFile002=\r\nFile003=" + crash + u"\\a.txt,A,T\r\n", 1},
      {"two tokens", u"File001=" + crash + u"\\a.txt,,T\r\nFile002=" + crash + u"\\a.txt,A,T\r\n", 0},
      {"separators only", u"File001=,,,\r\nFile002=" + crash + u"\\a.txt,A,T\r\n", 0},
      {"no section", u"", 0},
      {"line breaks separate", u"File001=" + crash + u"\\a.txt\r,A\n,T\r\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteReport(c.filesToAdd, /*withNamedFiles=*/false);
    session.files.clear();
    BuildFileList(session);
    EXPECT_EQ(session.files.size(), c.listed);
  }
}

TEST_F(CrashReport, ValuesAreReadUpTo249Characters) {
  // The three parts fit in 249 characters; what follows them is cut and ignored.
  WriteBytes(crash + u"\\a.txt", "alpha");
  const std::u16string fits = crash + u"\\a.txt,A,Text," + std::u16string(400, u'x');
  // A name longer than 249 characters is cut, which leaves fewer than three
  // parts: the scan ends there.
  const std::u16string longName = crash + u"\\" + std::u16string(260, u'n') + u".txt,Long,Text";
  WriteReport(u"File001=" + fits + u"\r\nFile002=" + longName + u"\r\nFile003=" + fits + u"\r\n",
              false);
  BuildFileList(session);
  ExpectList({{crash + u"\\a.txt", u"A", u"Text"}});
}

TEST_F(CrashReport, LockedOrEmptyFilesAreLeftOut) {
  WriteBytes(crash + u"\\held.txt", "held by another program");
  WriteBytes(crash + u"\\a.txt", "alpha");
  WriteReport(u"File001=" + crash + u"\\held.txt,Held,Text\r\nFile002=" + crash + u"\\a.txt,A,T\r\n");
  WriteBytes(NamedPath(u"DMPFile"), "");
  os::File holder = os::File::OpenExistingForWriting(crash + u"\\held.txt");
  ASSERT_TRUE(holder.IsOpen());
  BuildFileList(session);
  ExpectList({
      {crash + u"\\a.txt", u"A", u"T"},
      {TempCopy(u"LOGFile"), u"LOGFile", u"log"},
      {TempCopy(u"REGFile"), u"REGFile", u"reg"},
      {TempCopy(u"OPEN"), u"OPEN", u"dwg"},
  });
}

TEST_F(CrashReport, NoDescriptionMeansNoListEvenWithNamedFiles) {
  WriteReport(u"");
  os::RemoveFile(session.descriptionPath);
  BuildFileList(session);
  EXPECT_TRUE(session.files.empty());
  EXPECT_FALSE(os::PathExists(TempCopy(u"LOGFile")));
}

TEST_F(CrashReport, BrokenDescriptionsListNothingAndHarmNothing) {
  const std::string bodies[] = {
      "",                                    // empty
      "\xFF\xFE",                            // a byte-order mark only
      std::string("\xFF\xFE[\0C\0r\0", 8),   // truncated in the middle of a section name
      std::string("\x00\x01\x02\xFF\xFE\x7F\x80\x00garbage\x00\x00", 18),  // binary
  };
  for (const std::string& body : bodies) {
    WriteBytes(session.descriptionPath, body);
    session.files.clear();
    BuildFileList(session);
    EXPECT_TRUE(session.files.empty());
    CleanUpReport(session);
    EXPECT_FALSE(os::PathExists(session.descriptionPath)) << "the description goes at clean-up";
  }
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
  test::NativeFsPath(TempCopy(u"LOGFile"));
  std::filesystem::remove(test::NativeFsPath(TempCopy(u"LOGFile")));
}

TEST_F(CrashReport, CleanUpRemovesCrashMaterialAndKeepsTheFurtherFile) {
  WriteReport(u"");
  BuildFileList(session);
  ASSERT_EQ(session.files.size(), 4u);
  session.userTextPath = dir / u"Crash 12User.txt";
  WriteBytes(session.userTextPath, "text");
  // Read-only files that the clean-up must still remove.
  ASSERT_TRUE(os::SetFileAttributesTo(session.userTextPath, os::kAttrReadOnly));
  ASSERT_TRUE(os::SetFileAttributesTo(NamedPath(u"RECENTOPERATION"), os::kAttrReadOnly));
  ASSERT_TRUE(os::SetFileAttributesTo(session.descriptionPath, os::kAttrReadOnly | os::kAttrArchive));
  ASSERT_TRUE(os::SetFileAttributesTo(TempCopy(u"DMPFile"), os::kAttrReadOnly));

  CleanUpReport(session);
  EXPECT_TRUE(session.files.empty());
  for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN"}) {
    EXPECT_FALSE(os::PathExists(TempCopy(key))) << Utf16ToUtf8(key) << " copy";
  }
  for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"UNDOFile", u"RECENTOPERATION"}) {
    EXPECT_FALSE(os::PathExists(NamedPath(key))) << Utf16ToUtf8(key);
  }
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

TEST_F(CrashReport, ReadOnlyCrashFileSurvivesItsPlainRemoval) {
  WriteReport(u"");
  ASSERT_TRUE(os::SetFileAttributesTo(NamedPath(u"LOGFile"), os::kAttrReadOnly));
  CleanUpReport(session);
  EXPECT_TRUE(os::PathExists(NamedPath(u"LOGFile")));
  EXPECT_FALSE(os::PathExists(NamedPath(u"DMPFile")));
}

TEST(ReportFolder, IsCrashReportInTheApplicationDataFolder) {
  const std::u16string folder = ReportFolder();
  EXPECT_EQ(folder, os::AppDataFolder() + u"\\CrashReport");
  EXPECT_TRUE(os::FolderExists(folder));
}

}  // namespace
}  // namespace norda
