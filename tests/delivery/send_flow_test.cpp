// "Send Error Report" end to end in the core: the report packed, the settings
// fetched from a real HTTP server, the mail delivered to a real SMTP server
// (aiosmtpd) and taken apart by Python's email parser, the send-error log
// compared line by line, and the record book read back. The program is built
// with loopback endpoints, so the servers listen on its fixed ports.
#include "core/app/send_flow.h"

#include <gtest/gtest.h>

#include <sstream>

#include "build_settings.h"
#include "core/app/file_list.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/mail/send_error_log.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "delivery/recording_view.h"
#include "mail/peer_server.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/run_command.h"
#include "support/test_files.h"
#include "support/user_folders.h"

namespace norda {
namespace {

using test::PeerPath;
using test::PeerServer;
using test::ReadBytes;
using test::RecordingView;
using test::ScratchFolder;
using test::SettingsPort;
using test::WriteBytes;

class SendFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseScratchUserFolders(dir);
    folder = ReportFolder();
    crashLog = dir / u"Crash_20261206.log";
    WriteBytes(crashLog, "Exception 0xC0000005 in NORDA.EXE\r\nStack: ...\r\n");
    dump = dir / u"crash.dmp";
    WriteBytes(dump, std::string(20000, '\x01'));
    session.descriptionPath = folder + u"\\CrashReport.ini";
    session.sendRecordPath = folder + u"\\SendRecord.ini";
    session.sendRecords.SetSectionNamesBufferSize(102400);
    session.sendRecords.SetPath(session.sendRecordPath);
  }

  void WriteDescription(const std::u16string& extra = u"") {
    WriteBytes(session.descriptionPath,
               test::Utf16LeBytes(u"[CrashReport Infor]\r\nLOGFile=" + crashLog + u"\r\nDMPFile=" +
                                      dump + u"\r\n" + extra, true));
  }

  void Prepare() {
    session.archivePath = ReportArchivePath();
    BuildFileList(session);
  }

  // The settings server with both files, and the mail server.
  void StartServers(const std::string& receivers = "first@peer.test,second@peer.test") {
    const std::u16string settings = dir / u"www\\norda+\\vozavededavu\\CrMailInfo";
    for (const std::u16string& part : {dir / u"www", dir / u"www\\norda+", dir / u"www\\norda+\\vozavededavu", settings}) {
      ASSERT_TRUE(os::CreateFolder(part));
    }
    WriteBytes(settings + u"\\CrSendInfo.txt", "127.0.0.1  report.sender   s3cret crash.sender@peer.test  \r\n");
    WriteBytes(settings + u"\\CrReciverInfo.txt", receivers + " NORDA-Crash-Report Support\r\n");
    http = std::make_unique<PeerServer>(
        "http_server.py",
        std::vector<std::string>{"--root", PeerPath(dir / u"www"), "--port", std::to_string(SettingsPort())},
        dir);
    ASSERT_TRUE(http->Started());
    ASSERT_TRUE(os::CreateFolder(dir / u"mail"));
    smtp = std::make_unique<PeerServer>(
        "smtp_server.py",
        std::vector<std::string>{"--mail-folder", PeerPath(dir / u"mail"), "--user", "report.sender",
                                 "--password", "s3cret", "--port", std::to_string(NORDA_SMTP_PORT)},
        dir);
    ASSERT_TRUE(smtp->Started());
  }

  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadBytes(SendTempFolder() + u"CrSendErr.log"));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  std::u16string Record(const std::u16string& section, const std::u16string& key) {
    return ReadProfileValue(key, session.sendRecordPath, section);
  }

  ScratchFolder dir;
  std::u16string folder, crashLog, dump;
  ReportSession session;
  std::unique_ptr<PeerServer> http, smtp;
};

TEST_F(SendFlow, ReportIsMailedAndRecordedAsSent) {
  WriteDescription(u"SUBJECT=Crash 12\r\n");
  Prepare();
  StartServers();
  RecordingView view(u"I was moving a block");
  RunSendFlow(session, view);

  EXPECT_EQ(view.shown, std::vector<std::u16string>{u"1593"});
  EXPECT_EQ(view.ended, std::vector<int>{kDialogOk});
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "SmtpAddr : 127.0.0.1", "Account : report.sender", "Password : s3cret",
                            "Sendfrom : crash.sender@peer.test",
                            "Sendto : first@peer.test,second@peer.test",
                            "SenderName : NORDA-Crash-Report", "ReceiverName : Support", "SendCrSucced!"}));
  EXPECT_FALSE(os::PathExists(SendTempFolder() + u"MailSendInfo.log")) << "read settings are deleted";

  ASSERT_TRUE(test::WaitForFile(dir / u"mail\\mail1.envelope", 10));
  EXPECT_EQ(ReadBytes(dir / u"mail\\mail1.envelope"),
            "login=report.sender\nmail_from=crash.sender@peer.test\nrcpt_to=first@peer.test\n"
            "rcpt_to=second@peer.test\n");
  const auto parts = test::RunCommand({"/usr/bin/python3", test::PeersFolder() + "/mail_parts.py",
                                       PeerPath(dir / u"mail\\mail1.eml"), PeerPath(dir.Path())});
  ASSERT_EQ(parts.exitCode, 0) << parts.output;
  EXPECT_NE(parts.output.find("header Subject: Crash 12\n"), std::string::npos) << parts.output;
  EXPECT_NE(parts.output.find("defects 0\n"), std::string::npos) << parts.output;
  // The parser hands the text part out with its line ends as "\n".
  std::string text = ReadBytes(dir / u"part0.bin");
  EXPECT_EQ(text,
            "Exception 0xC0000005 in NORDA.EXE\nStack: ...\n\nThe following is file`s solution "
            "status:\n Send_LOGFile_Crash_20261206.log\n Send_DMPFile_crash.dmp\n \n");
  EXPECT_EQ(ReadBytes(dir / u"part1.bin"), ReadBytes(session.archivePath)) << "the attachment is the archive";

  // The packing's record, and the final one, searched from Record0.
  EXPECT_EQ(Record(u"Record1", u"Send or Not"), u"NO");
  EXPECT_EQ(Record(u"Record0", u"File Name"), session.archivePath);
  EXPECT_EQ(Record(u"Record0", u"Email Subject"), u"Crash 12");
  EXPECT_EQ(Record(u"Record0", u"Send or Not"), u"YES");
}

TEST_F(SendFlow, NothingToSendEndsWithCancelAndNoTraffic) {
  WriteDescription();
  Prepare();
  for (auto& file : session.files) file->sendFlag = 0;
  StartServers();
  RecordingView view(u"");
  RunSendFlow(session, view);
  EXPECT_EQ(view.ended, std::vector<int>{kDialogCancel});
  EXPECT_TRUE(view.shown.empty());
  EXPECT_EQ(ReadBytes(SendTempFolder() + u"CrSendErr.log"), "UserSendNothing!");
  EXPECT_FALSE(os::PathExists(dir / u"requests.log")) << "no settings are fetched";
  EXPECT_EQ(Record(u"Record0", u"File Name"), u"") << "no final record";
  EXPECT_EQ(Record(u"Record1", u"Send or Not"), u"NO") << "only the packing's record";
}

TEST_F(SendFlow, UnreachableServersWithoutDescription) {
  WriteDescription();
  Prepare();
  RecordingView view(u"");
  RunSendFlow(session, view);
  const std::u16string archive = folder + u"\\BugReport\\Crash_20261206.zip";
  EXPECT_EQ(view.shown, std::vector<std::u16string>{u"1592 " + archive + u" " + ReportMailbox()});
  EXPECT_EQ(view.ended, std::vector<int>{kDialogOk});
  EXPECT_EQ(LogLines(), (std::vector<std::string>{
                            "InetOpenUrlFailed!", "ReadMailSendInfoFailed!", "InetOpenUrlFailed!",
                            "ReadMailReciverInfoFailed!", "ConnectSmtpFailed!", "Smtp Service Address: ",
                            "SendAuthLoginFailed!", "AccountOrPasswordNotValidate!", "Account: ",
                            "SmtpSendDataFailed!", "SendCrFailed!"}));
  EXPECT_FALSE(os::PathExists(folder + u"\\User.txt")) << "no user text without a description";
  EXPECT_EQ(Record(u"Record0", u"File Name"), archive);
  EXPECT_EQ(Record(u"Record0", u"Email Subject"), u"Crash_20261206");
  EXPECT_EQ(Record(u"Record0", u"Send or Not"), u"NO");
}

TEST_F(SendFlow, FailureWithDescriptionLeavesInstructionsInTheNextArchive) {
  WriteDescription();
  Prepare();
  RecordingView view(u"It crashed while printing");
  RunSendFlow(session, view);
  const std::u16string first = folder + u"\\BugReport\\Crash_20261206.zip";
  const std::u16string numbered = folder + u"\\BugReport\\Crash_202612060.zip";
  EXPECT_EQ(session.archivePath, numbered);
  EXPECT_EQ(view.shown, std::vector<std::u16string>{u"1592 " + numbered + u" " + ReportMailbox()});
  ASSERT_TRUE(os::PathExists(first));
  ASSERT_TRUE(os::PathExists(numbered));
  const std::u16string instructions =
      u"Please Send the Report to us, Follow by the Following Address:\r\n\r\nSend: " + first +
      u"\r\n  To:  " + ReportMailbox() +
      u"\r\n\r\n\r\nException 0xC0000005 in NORDA.EXE\r\nStack: ...\r\n\r\nThe following is file`s "
      u"solution status:\r\n Send_LOGFile_Crash_20261206.log\r\n Send_DMPFile_crash.dmp\r\n ";
  EXPECT_EQ(ReadBytes(folder + u"\\User.txt"), test::Utf16LeBytes(instructions, false) + std::string(2, '\0'));
  // The unsent report's record holds the final values.
  EXPECT_EQ(Record(u"Record2", u"File Name"), numbered);
  EXPECT_EQ(Record(u"Record2", u"Email Subject"), u"Crash_20261206");
  EXPECT_EQ(Record(u"Record2", u"Send or Not"), u"NO");
  EXPECT_EQ(Record(u"Record0", u"File Name"), u"");
}

TEST_F(SendFlow, LongCrashLogIsCutAndAnUnreadableOneIsReported) {
  std::string log(60000, 'L');
  log[51199] = 'E';
  WriteBytes(crashLog, log);
  std::u16string text;
  ASSERT_TRUE(ReadCrashLogText(crashLog, text));
  EXPECT_EQ(text.size(), 51200u);
  EXPECT_EQ(text.back(), u'E');
  WriteBytes(crashLog, std::string("before\0after", 12));
  ASSERT_TRUE(ReadCrashLogText(crashLog, text));
  EXPECT_EQ(text, u"before");
  EXPECT_FALSE(ReadCrashLogText(dir / u"missing.log", text));

  // A folder where the crash log should be: it exists but cannot be read.
  crashLog = dir / u"folder.log";
  ASSERT_TRUE(os::CreateFolder(crashLog));
  WriteDescription();
  Prepare();
  RecordingView view(u"");
  RunSendFlow(session, view);
  ASSERT_FALSE(view.shown.empty());
  EXPECT_EQ(view.shown.front(), u"1597");
}

}  // namespace
}  // namespace norda
