// "Send Error Report" against servers that fail the user: a mail server that
// closes the connection at each step of the exchange, and a settings or mail
// server that stops answering. Whatever the server does, the report's
// archive is on disk before the first byte goes out, it stays there, and the
// send record book says "NO" for it unless the mail went out.
//
// The program is built with loopback endpoints: the settings server
// (Python's http.server) and the mail servers (scripted ones, and one that
// hangs) listen on its fixed ports.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "build_settings.h"
#include "core/app/file_list.h"
#include "core/app/report_folder.h"
#include "core/app/report_packing.h"
#include "core/app/send_flow.h"
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

// What the settings server hands out: the mail server on loopback.
const std::vector<std::string> kSettingsLog = {
    "SmtpAddr : 127.0.0.1", "Account : report.sender", "Password : s3cret",
    "Sendfrom : crash.sender@peer.test", "Sendto : reports@peer.test",
    "SenderName : NORDA-Crash-Report", "ReceiverName : Support"};

// Each report starts from the system's temporary folder, not from the
// scratch folder of the report before it.
struct SystemTemp {
  SystemTemp() {
    static const char* const original = std::getenv("TMPDIR");
    static const std::string saved = original ? original : "";
    if (original) {
      setenv("TMPDIR", saved.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
};

// The settings files on loopback, served for every report of a test.
class SettingsServer {
 public:
  SettingsServer() {
    std::u16string path = folder_ / u"www";
    for (const char16_t* part : {u"", u"\\norda+", u"\\vozavededavu", u"\\CrMailInfo"}) {
      path += part;
      EXPECT_TRUE(os::CreateFolder(path));
    }
    WriteBytes(path + u"\\CrSendInfo.txt", "127.0.0.1 report.sender s3cret crash.sender@peer.test\r\n");
    WriteBytes(path + u"\\CrReciverInfo.txt", "reports@peer.test NORDA-Crash-Report Support\r\n");
    server_ = std::make_unique<PeerServer>(
        "http_server.py",
        std::vector<std::string>{"--root", PeerPath(folder_ / u"www"), "--port", std::to_string(SettingsPort())},
        folder_);
  }
  bool Started() const { return server_->Started(); }

 private:
  SystemTemp temp_;
  ScratchFolder folder_;
  std::unique_ptr<PeerServer> server_;
};

// A crash as the CAD application leaves it, in a scratch folder of its own,
// with its file list built as the dialog builds it.
class Report {
 public:
  Report() {
    test::UseScratchUserFolders(dir);
    const std::u16string folder = ReportFolder();
    crashLog = dir / u"Crash_20261206.log";
    WriteBytes(crashLog, "Exception 0xC0000005 in NORDA.EXE\r\nStack: ...\r\n");
    dump = dir / u"crash.dmp";
    std::string bytes;
    for (int i = 0; i < 4000; ++i) bytes += "DUMP" + std::to_string(i * 7919 % 10007);
    WriteBytes(dump, bytes);
    session.descriptionPath = folder + u"\\CrashReport.ini";
    session.sendRecordPath = folder + u"\\SendRecord.ini";
    session.sendRecords.SetSectionNamesBufferSize(102400);
    session.sendRecords.SetPath(session.sendRecordPath);
    WriteBytes(session.descriptionPath,
               test::Utf16LeBytes(u"[CrashReport Infor]\r\nLOGFile=" + crashLog + u"\r\nDMPFile=" + dump + u"\r\n",
                                  true));
    session.archivePath = ReportArchivePath();
    BuildFileList(session);
    archive = folder + u"\\BugReport\\Crash_20261206.zip";
  }

  // The archive as Python's zipfile reads it, its entries compared with the
  // crash files.
  std::string ArchiveEntries() {
    return test::RunCommand({"/usr/bin/python3", test::PeersFolder() + "/zip_contents.py", PeerPath(archive),
                             "LOGFile_Crash_20261206.log=" + PeerPath(crashLog),
                             "DMPFile_crash.dmp=" + PeerPath(dump)})
        .output;
  }

  std::u16string Record(const std::u16string& section, const std::u16string& key) {
    return ReadProfileValue(key, session.sendRecordPath, section);
  }

  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadBytes(SendTempFolder() + SendErrorLog::kFileName));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  SystemTemp temp;
  ScratchFolder dir;
  std::u16string crashLog, dump, archive;
  ReportSession session;
};

const char kWholeArchive[] = "LOGFile_Crash_20261206.log same\nDMPFile_crash.dmp same\n";

// ---------------------------------------------------------------------------
// The mail server closes the connection at one step of the exchange.

struct ClosingCase {
  const char* step;
  std::vector<std::string> script;      // the server's part, up to its end
  std::vector<std::string> transcript;  // what it had received by then
  bool connected, loggedIn;             // what Connect and Login still got
  std::string loginTag = "";            // the tag that Login writes
  // The tag comes from a send that fails only once the reset, with which the
  // closed server answers HELO, is back: almost always at once on loopback,
  // but not for certain.
  bool tagAwaitsTheReset = false;
};

std::vector<std::string> Then(std::vector<std::string> first, const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::vector<ClosingCase> ClosingCases() {
  const std::vector<std::string> greeted = {"send 220 peer.test ready\\r\\n"};
  const auto helo = Then(greeted, {"recv"});
  const auto auth = Then(helo, {"send 250 peer.test\\r\\n", "recv"});
  const auto user = Then(auth, {"send 334 VXNlcm5hbWU6\\r\\n", "recv"});
  const auto password = Then(user, {"send 334 UGFzc3dvcmQ6\\r\\n", "recv"});
  const auto from = Then(password, {"send 235 2.7.0 accepted\\r\\n", "recv"});
  const auto to = Then(from, {"send 250 sender ok\\r\\n", "recv"});
  const auto data = Then(to, {"send 250 receiver ok\\r\\n", "recv"});
  const auto message = Then(data, {"send 354 go ahead\\r\\n"});
  const std::vector<std::string> loginLines = {"HELO 127.0.0.1", "AUTH LOGIN", "cmVwb3J0LnNlbmRlcg==",
                                               "czNjcmV0"};
  const auto envelope = Then(loginLines, {"MAIL FROM:<crash.sender@peer.test>", "RCPT To:<reports@peer.test>",
                                          "DATA"});
  return {
      {"before the greeting", {"close"}, {"<closed>"}, false, false},
      {"after the greeting", Then(greeted, {"close"}), {"<closed>"}, false, false, "SendAuthLoginFailed!", true},
      {"after HELO", Then(helo, {"close"}), {"HELO 127.0.0.1", "<closed>"}, false, false},
      {"after AUTH LOGIN", Then(auth, {"close"}), {"HELO 127.0.0.1", "AUTH LOGIN", "<closed>"}, true, false},
      {"after the user name", Then(user, {"close"}),
       {"HELO 127.0.0.1", "AUTH LOGIN", "cmVwb3J0LnNlbmRlcg==", "<closed>"}, true, false, "CheckResponse334Failed!"},
      {"after the password", Then(password, {"close"}), Then(loginLines, {"<closed>"}), true, false,
       "CheckResponse235Failed!"},
      {"after MAIL FROM", Then(from, {"close"}),
       Then(loginLines, {"MAIL FROM:<crash.sender@peer.test>", "<closed>"}), true, true},
      {"after RCPT TO", Then(to, {"close"}),
       Then(loginLines, {"MAIL FROM:<crash.sender@peer.test>", "RCPT To:<reports@peer.test>", "<closed>"}), true,
       true},
      {"after DATA", Then(data, {"close"}), Then(envelope, {"<closed>"}), true, true},
      // A reset, as the server goes away with the rest of the message unread.
      {"in the middle of the message", Then(message, {"drop 300"}), Then(envelope, {"<dropped>"}), true, true},
      {"after the message, before its reply", Then(message, {"message", "close"}),
       Then(envelope, {"<message>", "<closed>"}), true, true},
      // The server has taken the mail, but a send counts only with the reply
      // to QUIT: the user is asked to send the report by hand and the book
      // says "NO". A report twice, never a report lost.
      {"after the mail was taken, before the reply to QUIT",
       Then(message, {"message", "send 250 queued\\r\\n", "recv", "close"}),
       Then(envelope, {"<message>", "QUIT", "<closed>"}), true, true},
  };
}

TEST(SendFaults, MailServerClosingAtEachStepLeavesTheReportUnsent) {
  SettingsServer settings;
  ASSERT_TRUE(settings.Started());
  for (const ClosingCase& c : ClosingCases()) {
    SCOPED_TRACE(c.step);
    Report report;
    std::string script;
    for (const std::string& step : c.script) script += step + "\n";
    WriteBytes(report.dir / u"script.txt", script);
    const std::u16string transcript = report.dir / u"transcript.txt";
    PeerServer smtp("scripted_smtp.py",
                    {"--script", PeerPath(report.dir / u"script.txt"), "--transcript", PeerPath(transcript),
                     "--port", std::to_string(NORDA_SMTP_PORT), "--lifetime", "60"},
                    report.dir);
    ASSERT_TRUE(smtp.Started());

    RecordingView view;
    RunSendFlow(report.session, view);

    EXPECT_EQ(view.shown, std::vector<std::u16string>{u"1592 " + report.archive + u" " + ReportMailbox()});
    EXPECT_EQ(view.ended, std::vector<int>{kDialogOk});
    ASSERT_TRUE(test::WaitForFile(transcript, 10));
    std::vector<std::string> received;
    std::istringstream lines(ReadBytes(transcript));
    for (std::string line; std::getline(lines, line);) received.push_back(line);
    EXPECT_EQ(received, c.transcript) << "the server did not close where the case says";

    std::vector<std::string> expected = kSettingsLog;
    if (!c.connected) expected = Then(expected, {"ConnectSmtpFailed!", "Smtp Service Address: 127.0.0.1"});
    const std::vector<std::string> log = report.LogLines();
    const bool tagged = std::find(log.begin(), log.end(), c.loginTag) != log.end();
    if (!c.loginTag.empty() && (tagged || !c.tagAwaitsTheReset)) expected = Then(expected, {c.loginTag});
    if (!c.loggedIn) expected = Then(expected, {"AccountOrPasswordNotValidate!", "Account: report.sender"});
    expected = Then(expected, {"SmtpSendDataFailed!", "SendCrFailed!"});
    EXPECT_EQ(log, expected);

    EXPECT_EQ(report.ArchiveEntries(), kWholeArchive);
    EXPECT_EQ(report.Record(u"Record1", u"File Name"), report.archive);
    EXPECT_EQ(report.Record(u"Record1", u"Send or Not"), u"NO");
    EXPECT_EQ(report.Record(u"Record0", u"File Name"), report.archive);
    EXPECT_EQ(report.Record(u"Record0", u"Send or Not"), u"NO");
  }
}

// ---------------------------------------------------------------------------
// A server that stops answering holds the program, as it is meant to: there
// is no time-out. The user then ends the program. The send flow runs in a
// child process, which is killed as the system kills a program that the user
// ends, while it waits on the server; what the report needs is on disk by
// then.

struct StallCase {
  const char* where;
  bool settingsStall;    // else the settings are served and the mail server hangs
  std::string greeting;  // what the hanging server says first
  int waitFor;           // bytes it receives before the program waits on it
  std::string received;  // how those bytes begin
};

TEST(SendFaults, ReportIsOnDiskWhileTheProgramWaitsOnAServerThatHangs) {
  const StallCase cases[] = {
      {"the settings server takes the request and never answers", true, "", 1,
       "GET /norda+/vozavededavu/CrMailInfo/CrSendInfo.txt HTTP/1.1\r\n"},
      {"the mail server never greets", false, "", 0, ""},
      {"the mail server greets and never answers HELO", false, "220 peer.test ready\\r\\n", 16,
       "HELO 127.0.0.1\r\n"},
  };
  for (const StallCase& c : cases) {
    SCOPED_TRACE(c.where);
    std::unique_ptr<SettingsServer> settings;
    if (!c.settingsStall) {
      settings = std::make_unique<SettingsServer>();
      ASSERT_TRUE(settings->Started());
    }
    Report report;
    const std::u16string stalledFile = report.dir / u"stalled.txt";
    PeerServer hanging("stalled_server.py",
                       {"--stalled-file", PeerPath(stalledFile), "--greeting", c.greeting, "--wait-for",
                        std::to_string(c.waitFor), "--port",
                        std::to_string(c.settingsStall ? SettingsPort() : NORDA_SMTP_PORT), "--lifetime", "60"},
                       report.dir);
    ASSERT_TRUE(hanging.Started());

    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
      RecordingView view;
      RunSendFlow(report.session, view);
      _exit(0);
    }
    const bool waiting = test::WaitForFile(stalledFile, 30);
    int status = 0;
    const bool running = waitpid(program, &status, WNOHANG) == 0;
    if (waiting && running) {
      EXPECT_EQ(ReadBytes(stalledFile).substr(0, c.received.size()), c.received);
      EXPECT_EQ(report.ArchiveEntries(), kWholeArchive);
      EXPECT_EQ(report.Record(u"Record1", u"File Name"), report.archive);
      EXPECT_EQ(report.Record(u"Record1", u"Send or Not"), u"NO");
      EXPECT_EQ(report.Record(u"Record0", u"File Name"), u"") << "no final record while it waits";
    } else {
      ADD_FAILURE() << "the program did not wait on the server (waiting " << waiting << ", running " << running
                    << ")";
    }
    std::string archive, book;
    os::ReadWholeFile(report.archive, archive);
    os::ReadWholeFile(report.session.sendRecordPath, book);
    if (running) {
      kill(program, SIGKILL);
      waitpid(program, &status, 0);
    }
    std::string archiveAfter, bookAfter;
    os::ReadWholeFile(report.archive, archiveAfter);
    os::ReadWholeFile(report.session.sendRecordPath, bookAfter);
    EXPECT_TRUE(archiveAfter == archive) << "the archive changed as the program was ended";
    EXPECT_EQ(bookAfter, book);
  }
}

}  // namespace
}  // namespace norda
