// The delivery pieces against loopback peers that nobody here wrote, run by
// the native test program (BSD sockets, our HTTP client) and by the Windows
// one under Wine (WinSock, WinInet): a real SMTP server (aiosmtpd), scripted
// servers for the faulty cases, and Python's http.server for the settings.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/mail/mime_message.h"
#include "core/mail/settings_download.h"
#include "core/mail/smtp_client.h"
#include "core/support/text.h"
#include "mail/log_capture.h"
#include "mail/peer_server.h"
#include "os/code_page.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::LogCapture;
using test::PeerPath;
using test::PeerServer;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

constexpr char kUser[] = "report.sender";
constexpr char kPassword[] = "s3cret pass";

std::vector<std::string> FileLines(const std::u16string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadBytes(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// A path as the caller hands it to the mail client: in the thread's code page.
// ---------------------------------------------------------------------------
// A real SMTP server.

class StringSink : public PieceSink {
 public:
  bool Put(std::string_view piece) override {
    text.append(piece);
    return true;
  }
  std::string text;
};

TEST(SmtpWithRealServer, MailArrivesAsComposed) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"mail"));
  PeerServer server("smtp_server.py",
                    {"--mail-folder", PeerPath(folder / u"mail"), "--user", kUser, "--password",
                     kPassword},
                    folder);
  ASSERT_TRUE(server.Started());

  const std::u16string archive = folder / u"CrashReport.zip";
  const std::string archiveBytes = RandomBytes(3 * kAttachmentChunkBytes + 4321, 7);
  WriteBytes(archive, archiveBytes);
  MailContent mail;
  mail.senderAddress = "crash.sender@peer.test";
  mail.receivers = {"first@peer.test", "second@peer.test"};
  mail.senderName = "NORDA Crash Report";
  mail.subject = "CrashReport";
  // A body line of a single full stop must not end the data early.
  mail.body = "Crash log line 1\r\n.\r\n..two dots\r\nThe following is file`s solution status:\r\n "
              "Send_CrashReport.dmp\r\n ";
  mail.attachments = {archive};

  LogCapture log(folder);
  {
    SmtpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(client.Login(kUser, kPassword));
    ASSERT_TRUE(client.SendMail(mail.senderAddress, mail.receivers, mail.senderName, mail.subject,
                                mail.body, mail.attachments, false));
  }
  EXPECT_EQ(log.Lines(), std::vector<std::string>{});
  ASSERT_TRUE(test::WaitForFile(folder / u"mail\\mail1.envelope", 10));

  EXPECT_EQ(FileLines(folder / u"mail\\mail1.envelope"),
            (std::vector<std::string>{"login=report.sender", "mail_from=crash.sender@peer.test",
                                      "rcpt_to=first@peer.test", "rcpt_to=second@peer.test"}));
  // What the server kept is the composed message up to the end-of-data line.
  StringSink composed;
  ASSERT_TRUE(PutMessage(mail, composed));
  const std::string expected = composed.text.substr(0, composed.text.size() - 3);
  const std::string received = ReadBytes(folder / u"mail\\mail1.eml");
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected) << "the received message differs from the composed one";
}

TEST(SmtpWithRealServer, WrongPasswordIsRefusedAndTheConnectionStaysOpen) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"mail"));
  PeerServer server("smtp_server.py",
                    {"--mail-folder", PeerPath(folder / u"mail"), "--user", kUser, "--password",
                     kPassword},
                    folder);
  ASSERT_TRUE(server.Started());
  LogCapture log(folder);
  SmtpClient client;
  ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
  EXPECT_FALSE(client.Login(kUser, "wrong"));
  // The connection is still there: the server answers MAIL FROM (with 530,
  // as it wants a login first).
  EXPECT_FALSE(client.SendMail("a@peer.test", {"b@peer.test"}, "", "", "", {}, false));
  EXPECT_TRUE(client.Login(kUser, kPassword));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"CheckResponse235Failed!"});
}

// ---------------------------------------------------------------------------
// Scripted servers for the faulty cases: each case runs the calls of one send
// (Connect, Login, SendMail) and compares the send-error log and the
// transcript of what the server received.

const std::vector<std::string> kGreeting = {"send 220 peer.test ready\\r\\n", "recv",
                                            "send 250 peer.test\\r\\n"};
const std::vector<std::string> kLoginAccepted = {
    "recv", "send 334 VXNlcm5hbWU6\\r\\n", "recv", "send 334 UGFzc3dvcmQ6\\r\\n", "recv",
    "send 235 2.7.0 accepted\\r\\n"};
const std::vector<std::string> kMailAccepted = {
    "recv",    "send 250 sender ok\\r\\n", "recv", "send 250 receiver ok\\r\\n",
    "recv",    "send 354 go ahead\\r\\n",  "message", "send 250 queued\\r\\n",
    "recv",    "send 221 bye\\r\\n"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> blocks) {
  std::vector<std::string> all;
  for (const auto& block : blocks) all.insert(all.end(), block.begin(), block.end());
  return all;
}

const std::vector<std::string> kLoginLines = {"HELO 127.0.0.1", "AUTH LOGIN",
                                              "cmVwb3J0LnNlbmRlcg==", "czNjcmV0IHBhc3M="};

struct SmtpCase {
  const char* name;
  std::vector<std::string> script;
  bool connect, login, send;
  std::vector<std::string> log;
  std::vector<std::string> transcript;
  std::vector<std::string> receivers = {"report@peer.test"};
  std::string sender = "crash@peer.test";
  bool refused = false;
  bool bigAttachment = false;
  bool loginAfterSend = false;
};

std::vector<SmtpCase> SmtpCases() {
  const std::vector<std::string> wholeMail =
      Join({kLoginLines, {"MAIL FROM:<crash@peer.test>", "RCPT To:<report@peer.test>", "DATA",
                          "<message>", "QUIT"}});
  std::vector<SmtpCase> cases;
  {
    SmtpCase c{"whole mail, then the client is closed", Join({kGreeting, kLoginAccepted, kMailAccepted}),
               true, true, true, {"SendAuthLoginFailed!"}, wholeMail};
    c.loginAfterSend = true;
    cases.push_back(c);
  }
  cases.push_back({"502 to AUTH LOGIN: no tag, the mail goes on on the same connection",
                   Join({kGreeting, {"recv", "send 502 5.5.2 not implemented\\r\\n", "recv",
                                     "send 530 5.7.0 authentication required\\r\\n"}}),
                   true, false, false, {},
                   {"HELO 127.0.0.1", "AUTH LOGIN", "MAIL FROM:<crash@peer.test>"}});
  cases.push_back({"user name refused",
                   Join({kGreeting, {"recv", "send 334 VXNlcm5hbWU6\\r\\n", "recv",
                                     "send 501 5.5.2 cannot decode\\r\\n", "recv",
                                     "send 530 5.7.0 authentication required\\r\\n"}}),
                   true, false, false, {"CheckResponse334Failed!"},
                   {"HELO 127.0.0.1", "AUTH LOGIN", "cmVwb3J0LnNlbmRlcg==",
                    "MAIL FROM:<crash@peer.test>"}});
  cases.push_back({"535 to the password: tagged, the connection stays open",
                   Join({kGreeting, {"recv", "send 334 VXNlcm5hbWU6\\r\\n", "recv",
                                     "send 334 UGFzc3dvcmQ6\\r\\n", "recv",
                                     "send 535 5.7.8 credentials invalid\\r\\n", "recv",
                                     "send 530 5.7.0 authentication required\\r\\n"}}),
                   true, false, false, {"CheckResponse235Failed!"},
                   Join({kLoginLines, {"MAIL FROM:<crash@peer.test>"}})});
  {
    SmtpCase c{"connection refused: the client is closed and Login's first send fails",
               {}, false, false, false, {"SendAuthLoginFailed!"}, {}};
    c.refused = true;
    cases.push_back(c);
  }
  {
    SmtpCase c{"connection dropped in the middle of DATA: the client is closed",
               Join({kGreeting, kLoginAccepted,
                     {"recv", "send 250 sender ok\\r\\n", "recv", "send 250 receiver ok\\r\\n",
                      "recv", "send 354 go ahead\\r\\n", "drop 20000"}}),
               true, true, false, {"SendAuthLoginFailed!"},
               Join({kLoginLines, {"MAIL FROM:<crash@peer.test>", "RCPT To:<report@peer.test>",
                                   "DATA", "<dropped>"}})};
    // Larger than every socket buffer between the two ends, so that the
    // client is still sending when the server resets the connection.
    c.bigAttachment = true;
    c.loginAfterSend = true;
    cases.push_back(c);
  }
  return cases;
}

TEST(SmtpWithScriptedServer, FaultyServers) {
  for (const SmtpCase& c : SmtpCases()) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    std::string script;
    for (const std::string& step : c.script) script += step + "\n";
    WriteBytes(folder / u"script.txt", script);
    const std::u16string transcriptFile = folder / u"transcript.txt";
    PeerServer server("scripted_smtp.py",
                      {"--script", PeerPath(folder / u"script.txt"), "--transcript",
                       PeerPath(transcriptFile), "--lifetime", "60"},
                      folder);
    ASSERT_TRUE(server.Started());

    const std::u16string attachment = folder / u"CrashReport.zip";
    WriteBytes(attachment, c.bigAttachment ? RandomBytes(32 << 20, 3) : std::string("PK\3\4 tiny"));
    LogCapture log(folder);
    {
      SmtpClient client;
      EXPECT_EQ(client.Connect("127.0.0.1", c.refused ? server.ClosedPort() : server.Port()),
                c.connect);
      EXPECT_EQ(client.Login(kUser, kPassword), c.login);
      EXPECT_EQ(client.SendMail(c.sender, c.receivers, "NORDA", "CrashReport", "body\r\n",
                                {attachment}, false),
                c.send);
      if (c.loginAfterSend) {
        EXPECT_FALSE(client.Login(kUser, kPassword));
      }
    }
    EXPECT_EQ(log.Lines(), c.log);
    server.Stop();
    ASSERT_TRUE(os::PathExists(transcriptFile));
    EXPECT_EQ(FileLines(transcriptFile), c.transcript);
  }
}

// ---------------------------------------------------------------------------
// The settings server.

class SettingsServer : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::u16string settings = folder_ / u"root\\norda+\\vozavededavu\\CrMailInfo";
    for (const std::u16string& f : {folder_ / u"root", folder_ / u"root\\norda+",
                                    folder_ / u"root\\norda+\\vozavededavu", settings}) {
      ASSERT_TRUE(os::CreateFolder(f));
    }
    WriteBytes(settings + u"\\CrSendInfo.txt", kSendInfo);
    WriteBytes(settings + u"\\CrReciverInfo.txt", kReciverInfo);
    big_ = RandomBytes(100000, 11);
    WriteBytes(folder_ / u"root\\big.bin", big_);
    server_ = std::make_unique<PeerServer>(
        "http_server.py", std::vector<std::string>{"--root", PeerPath(folder_ / u"root")}, folder_);
    ASSERT_TRUE(server_->Started());
  }

  std::u16string Url(int port, const std::u16string& path) {
    return u"http://127.0.0.1:" + DecimalText(static_cast<unsigned>(port)) + path;
  }

  static constexpr char kSendInfo[] =
      "smtp.peer.test   report.sender  s3cret   crash@peer.test  \r\n";
  static constexpr char kReciverInfo[] =
      "first@peer.test,second@peer.test NORDA Reports\r\nsecond@peer.test B C\r\nthird D E";
  ScratchFolder folder_;
  std::string big_;
  std::unique_ptr<PeerServer> server_;
};

TEST_F(SettingsServer, SettingsFilesAreFetched) {
  const std::u16string local = folder_ / u"MailSendInfo.log";
  // An older, longer file of the same name is replaced, not overwritten in part.
  WriteBytes(local, std::string(500, 'x'));
  LogCapture log(folder_);
  ASSERT_TRUE(DownloadUrlToFile(
      Url(server_->Port(), u"/norda+/vozavededavu/CrMailInfo/CrSendInfo.txt"), local));
  EXPECT_EQ(ReadBytes(local), kSendInfo);
  const std::u16string localReceivers = folder_ / u"MailReciver.log";
  ASSERT_TRUE(DownloadUrlToFile(
      Url(server_->Port(), u"/norda+/vozavededavu/CrMailInfo/CrReciverInfo.txt"), localReceivers));
  EXPECT_EQ(ReadBytes(localReceivers), kReciverInfo);
  ASSERT_TRUE(DownloadUrlToFile(Url(server_->Port(), u"/big.bin"), folder_ / u"big.bin"));
  EXPECT_TRUE(ReadBytes(folder_ / u"big.bin") == big_) << "a body of several chunks differs";
  EXPECT_EQ(log.Lines(), std::vector<std::string>{});

  // Every request asked the caches on the way for a fresh copy.
  server_->Stop();
  int requests = 0, noCache = 0;
  for (const std::string& line : FileLines(folder_ / u"requests.log")) {
    if (line.rfind("GET ", 0) == 0) ++requests;
    if (EqualsIgnoreCase(Utf8ToUtf16(line), u"Pragma: no-cache")) ++noCache;
  }
  EXPECT_EQ(requests, 3);
  EXPECT_EQ(noCache, 3);
}

TEST_F(SettingsServer, BodiesErrorsAndNoServer) {
  const struct {
    const char* name;
    std::u16string path;
    bool ok;
    std::vector<std::string> log;
    std::optional<std::string> file;  // the local file after, if it exists
    bool whole = true;                // or only a part of it
  } cases[] = {
      {"chunked without Content-Length: complete at its end", u"/chunked.txt", true, {},
       "smtp.peer.test user pw from@peer.test\r\n" + std::string(40000, 'x')},
      {"an error page is saved like a settings file", u"/norda+/missing.txt", true, {}, "404", false},
      {"a body shorter than its Content-Length fails; what came is kept", u"/short-body.txt", false,
       {"WhileInetReadFileFailed!"},
       "SmtpAddr Account Password Sendfrom\r\nSmtpAddr Account Password Sendfrom\r\n"},
      {"nothing listening: no local file", u"", false, {"InetOpenUrlFailed!"}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string local = folder_ / u"MailSendInfo.log";
    os::RemoveFile(local);
    LogCapture log(folder_);
    const std::u16string url = c.path.empty() ? Url(server_->ClosedPort(), u"/x.txt")
                                              : Url(server_->Port(), c.path);
    EXPECT_EQ(DownloadUrlToFile(url, local), c.ok);
    EXPECT_EQ(log.Lines(), c.log);
    ASSERT_EQ(os::PathExists(local), c.file.has_value());
    const std::string got = c.file ? ReadBytes(local) : std::string();
    EXPECT_TRUE(c.whole ? got == c.file.value_or("") : got.find(*c.file) != std::string::npos) << got.size();
  }
}

}  // namespace
}  // namespace norda
