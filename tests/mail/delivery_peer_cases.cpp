// The delivery pieces against loopback peers that nobody here wrote, run by
// the native test program (BSD sockets, our HTTP client) and by the Windows
// one under Wine (WinSock, WinInet): a real SMTP server (aiosmtpd), and
// Python's http.server for the settings. Servers that close the connection
// or reset it: tests/delivery/send_flow_test.cpp.
#include <gtest/gtest.h>

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
#include "support/mail_records.h"
#include "support/test_files.h"
#include "support/test_inputs.h"

namespace norda {
namespace {

using test::Lines;
using test::LogCapture;
using test::PeerPath;
using test::PeerServer;
using test::RandomBytes;
using test::ReadBytes;
using test::ScratchFolder;
using test::SplitLines;
using test::WriteBytes;

constexpr char kUser[] = "report.sender";
constexpr char kPassword[] = "s3cret pass";

// A refused password leaves the connection open for another try; the mail
// then arrives byte for byte as composed, its subject's 8-bit bytes as they
// were given, and the client is closed after it.
TEST(SmtpWithRealServer, MailArrivesAsComposed) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"mail"));
  PeerServer server("smtp_server.py",
                    {"--mail-folder", PeerPath(folder / u"mail"), "--user", kUser, "--password", kPassword},
                    folder);
  ASSERT_TRUE(server.Started());

  const std::u16string archive = folder / u"CrashReport.zip";
  WriteBytes(archive, RandomBytes(3 * kAttachmentChunkBytes + 4321, 7));
  MailContent mail;
  mail.senderAddress = "crash.sender@peer.test";
  mail.receivers = {"first@peer.test", "second@peer.test"};
  mail.senderName = "NORDA Crash Report";
  mail.subject = os::FromUtf16(u"Bericht \u00FCber den Absturz", os::ThreadAnsiCodePage());
  // A code page of single bytes carries the letter as one byte, not as UTF-8.
  if (os::ThreadAnsiCodePage() == 1252) {
    EXPECT_EQ(mail.subject,
              "Bericht \xFC"
              "ber den Absturz");
  }
  // A body line of a single full stop must not end the data early.
  mail.body =
      "Crash log line 1\r\n.\r\n..two dots\r\nThe following is file`s solution status:\r\n "
      "Send_CrashReport.dmp\r\n ";
  mail.attachments = {archive};

  LogCapture log(folder);
  {
    SmtpClient client;
    // By name: the system's resolver is asked.
    ASSERT_TRUE(client.Connect("localhost", server.Port()));
    EXPECT_FALSE(client.Login(kUser, "wrong"));
    ASSERT_TRUE(client.Login(kUser, kPassword));
    ASSERT_TRUE(client.SendMail(mail.senderAddress, mail.receivers, mail.senderName, mail.subject, mail.body,
                                mail.attachments, false));
    EXPECT_FALSE(client.Login(kUser, kPassword));
  }
  EXPECT_EQ(log.Lines(), (Lines{"CheckResponse235Failed!", "SendAuthLoginFailed!"}));
  ASSERT_TRUE(test::WaitForFile(folder / u"mail\\mail1.envelope", 10));
  EXPECT_EQ(ReadBytes(folder / u"mail\\mail1.envelope"),
            "login=report.sender\nmail_from=crash.sender@peer.test\nrcpt_to=first@peer.test\n"
            "rcpt_to=second@peer.test\n");
  // What the server kept is the composed message up to the end-of-data line.
  test::TextSink composed;
  ASSERT_TRUE(PutMessage(mail, composed));
  const std::string received = ReadBytes(folder / u"mail\\mail1.eml");
  EXPECT_EQ(received.size() + 3, composed.text.size());
  EXPECT_TRUE(received == composed.text.substr(0, composed.text.size() - 3)) << "the message differs";
}

// The system's HTTP client against Python's http.server; the rules of the
// download itself are tests/core/mail_settings_test.cpp's.
TEST(SettingsServer, BodiesErrorsAndNoServer) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"root"));
  const std::string sendInfo = "smtp.peer.test   report.sender  s3cret   crash@peer.test  \r\n";
  const std::string binary = RandomBytes(100000, 11);
  WriteBytes(folder / u"root\\CrSendInfo.txt", sendInfo);
  WriteBytes(folder / u"root\\big.bin", binary);
  PeerServer server("http_server.py", {"--root", PeerPath(folder / u"root")}, folder);
  ASSERT_TRUE(server.Started());

  // Each download goes over an older, longer file of the same name.
  const std::string older(500, 'o');
  const struct {
    const char* name;
    std::u16string path;
    bool ok;
    Lines log;
    std::string file;   // the local file after
    bool whole = true;  // or only a part of it
  } cases[] = {
      {"the sender's settings replace the older file", u"/CrSendInfo.txt", true, {}, sendInfo},
      {"binary bytes in several reads", u"/big.bin", true, {}, binary},
      {"chunked without Content-Length: complete at its end",
       u"/chunked.txt",
       true,
       {},
       "smtp.peer.test user pw from@peer.test\r\n" + std::string(40000, 'x')},
      {"an error page is saved like a settings file", u"/norda+/missing.txt", true, {}, "404", false},
      {"a body shorter than its Content-Length fails; what came is kept",
       u"/short-body.txt",
       false,
       {"WhileInetReadFileFailed!"},
       "SmtpAddr Account Password Sendfrom\r\nSmtpAddr Account Password Sendfrom\r\n"},
      {"nothing listening: the older file stays", u"", false, {"InetOpenUrlFailed!"}, older},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string local = folder / u"MailSendInfo.log";
    WriteBytes(local, older);
    LogCapture log(folder);
    const int port = c.path.empty() ? server.ClosedPort() : server.Port();
    const std::u16string path = c.path.empty() ? u"/x.txt" : c.path;
    EXPECT_EQ(
        DownloadUrlToFile(u"http://127.0.0.1:" + DecimalText(static_cast<unsigned>(port)) + path, local),
        c.ok);
    EXPECT_EQ(log.Lines(), c.log);
    const std::string got = ReadBytes(local);
    EXPECT_TRUE(c.whole ? got == c.file : got.find(c.file) != std::string::npos) << got.size();
  }

  // Every request asked the caches on the way for a fresh copy.
  server.Stop();
  int requests = 0, noCache = 0;
  for (const std::string& line : SplitLines(ReadBytes(folder / u"requests.log"))) {
    requests += line.rfind("GET ", 0) == 0;
    noCache += EqualsIgnoreCase(Utf8ToUtf16(line), u"Pragma: no-cache");
  }
  EXPECT_EQ(requests, 5);
  EXPECT_EQ(noCache, 5);
}

}  // namespace
}  // namespace norda
