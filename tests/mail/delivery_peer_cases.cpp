// The delivery pieces against loopback peers that nobody here wrote, run by
// the native test program (BSD sockets, our HTTP client) and by the Windows
// one under Wine (WinSock, WinInet): a real SMTP server (aiosmtpd), scripted
// servers for the faulty cases, and Python's http.server for the settings.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/mail/mail_settings.h"
#include "core/mail/mime_message.h"
#include "core/mail/send_error_log.h"
#include "core/mail/settings_download.h"
#include "core/mail/smtp_client.h"
#include "core/support/text.h"
#include "mail/peer_server.h"
#include "os/code_page.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::PeerPath;
using test::PeerServer;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

constexpr char kUser[] = "report.sender";
constexpr char kPassword[] = "s3cret pass";

// The send-error log of one case in a scratch folder; Lines() closes it and
// gives its lines, each of which must have ended with CR LF.
class LogCapture {
 public:
  explicit LogCapture(const ScratchFolder& folder) : path_(folder / u"CrSendErr.log") {
    SendErrorLog::Instance().SetOpenFlag(false);
    EXPECT_TRUE(SendErrorLog::Instance().Open(path_));
  }
  ~LogCapture() { SendErrorLog::Instance().Close(); }
  std::vector<std::string> Lines() {
    SendErrorLog::Instance().Close();
    const std::string bytes = ReadBytes(path_);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
      EXPECT_TRUE(end > start && bytes[end - 1] == '\r') << "a log line ends without CR LF";
      lines.push_back(bytes.substr(start, end > start ? end - start - 1 : 0));
    }
    EXPECT_EQ(start, bytes.size()) << "the log ends inside a line";
    return lines;
  }

 private:
  std::u16string path_;
};

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
std::string Ansi(const std::u16string& text) {
  return os::FromUtf16(text, os::ThreadAnsiCodePage());
}

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
  mail.attachments = {Ansi(archive)};

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
  cases.push_back({"greeting in two pieces: the second is taken as the reply to HELO",
                   Join({{"send 220-peer.test first line\\r\\n", "recv",
                          "send 220 peer.test second line\\r\\n"},
                         kLoginAccepted, kMailAccepted}),
                   false, true, true, {}, wholeMail});
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
    SmtpCase c{"second receiver rejected: no DATA",
               Join({kGreeting, kLoginAccepted,
                     {"recv", "send 250 sender ok\\r\\n", "recv", "send 250 receiver ok\\r\\n",
                      "recv", "send 550 5.1.1 no such mailbox\\r\\n"}}),
               true, true, false, {},
               Join({kLoginLines, {"MAIL FROM:<crash@peer.test>", "RCPT To:<first@peer.test>",
                                   "RCPT To:<second@peer.test>"}})};
    c.receivers = {"first@peer.test", "second@peer.test"};
    cases.push_back(c);
  }
  {
    SmtpCase c{"two-character replies are not accepted; no sender, no traffic",
               {"send 220 peer.test ready\\r\\n", "recv", "send 25", "recv", "send 33"},
               false, false, false, {}, {"HELO 127.0.0.1", "AUTH LOGIN"}};
    c.sender = "";
    cases.push_back(c);
  }
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
                                {Ansi(attachment)}, false),
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
    MailSettings::Instance() = MailSettings{};
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

TEST_F(SettingsServer, SettingsFilesAreFetchedAndRead) {
  const std::u16string local = folder_ / u"MailSendInfo.log";
  // An older, longer file of the same name is replaced, not overwritten in part.
  WriteBytes(local, std::string(500, 'x'));
  LogCapture log(folder_);
  ASSERT_TRUE(DownloadUrlToFile(
      Url(server_->Port(), u"/norda+/vozavededavu/CrMailInfo/CrSendInfo.txt"), local));
  EXPECT_EQ(ReadBytes(local), kSendInfo);
  ASSERT_TRUE(ReadMailSendInfo(local));
  std::u16string smtp, account, password, from;
  GetSendInfo(smtp, account, password, from);
  EXPECT_EQ(smtp, u"smtp.peer.test");
  EXPECT_EQ(account, u"report.sender");
  EXPECT_EQ(password, u"s3cret");
  EXPECT_EQ(from, u"crash@peer.test");

  const std::u16string localReceivers = folder_ / u"MailReciver.log";
  ASSERT_TRUE(DownloadUrlToFile(
      Url(server_->Port(), u"/norda+/vozavededavu/CrMailInfo/CrReciverInfo.txt"), localReceivers));
  ASSERT_TRUE(ReadMailReciverInfo(localReceivers));
  EXPECT_EQ(MailSettings::Instance().reciverInfos.size(), 3u);
  std::u16string to, senderName, receiverName;
  GetReciverInfo(to, senderName, receiverName);
  EXPECT_EQ(to, u"first@peer.test,second@peer.test");
  EXPECT_EQ(senderName, u"NORDA");
  EXPECT_EQ(receiverName, u"Reports");

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

TEST_F(SettingsServer, AChunkedBodyWithoutContentLengthIsCompleteAtItsEnd) {
  const std::u16string local = folder_ / u"MailSendInfo.log";
  LogCapture log(folder_);
  ASSERT_TRUE(DownloadUrlToFile(Url(server_->Port(), u"/chunked.txt"), local));
  EXPECT_TRUE(ReadBytes(local) ==
              "smtp.peer.test user pw from@peer.test\r\n" + std::string(40000, 'x'));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{});
}

TEST_F(SettingsServer, AnErrorPageIsSavedAndReadLikeASettingsFile) {
  const std::u16string local = folder_ / u"MailSendInfo.log";
  LogCapture log(folder_);
  ASSERT_TRUE(DownloadUrlToFile(Url(server_->Port(), u"/norda+/missing.txt"), local));
  const std::string page = ReadBytes(local);
  EXPECT_NE(page.find("404"), std::string::npos) << page;
  EXPECT_TRUE(ReadMailSendInfo(local));
  EXPECT_EQ(MailSettings::Instance().sendInfos.size(), FileLines(local).size());
  EXPECT_EQ(log.Lines(), std::vector<std::string>{});
}

TEST_F(SettingsServer, ABodyShorterThanItsContentLengthFails) {
  const std::u16string local = folder_ / u"MailSendInfo.log";
  LogCapture log(folder_);
  EXPECT_FALSE(DownloadUrlToFile(Url(server_->Port(), u"/short-body.txt"), local));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"WhileInetReadFileFailed!"});
  // What came is kept.
  EXPECT_EQ(ReadBytes(local), "SmtpAddr Account Password Sendfrom\r\n"
                              "SmtpAddr Account Password Sendfrom\r\n");
}

TEST_F(SettingsServer, NothingListeningFailsWithoutALocalFile) {
  const std::u16string local = folder_ / u"MailSendInfo.log";
  LogCapture log(folder_);
  EXPECT_FALSE(DownloadUrlToFile(Url(server_->ClosedPort(), u"/x.txt"), local));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"InetOpenUrlFailed!"});
  EXPECT_FALSE(os::PathExists(local));
  EXPECT_FALSE(ReadMailSendInfo(local));
}

}  // namespace
}  // namespace norda
