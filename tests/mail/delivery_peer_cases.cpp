// The delivery pieces, natively and under Wine, against aiosmtpd and Python's email package for the
// mail, Python's http.server for the settings. Servers that close: tests/delivery/send_flow_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_settings.h"
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

// A refused password leaves the connection open for another try; the mail then arrives byte for byte
// as composed (an 8-bit subject too), and Python's email package takes its parts apart.
TEST(SmtpWithRealServer, MailArrivesAsComposed) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"mail"));
  PeerServer server("smtp_server.py",
                    {"--mail-folder", PeerPath(folder / u"mail"), "--user", kUser, "--password", kPassword},
                    folder);
  ASSERT_TRUE(server.Started());

  const std::string archive = RandomBytes(3 * kAttachmentChunkBytes + 4321, 7);
  WriteBytes(folder / u"CrashReport.zip", archive);
  WriteBytes(folder / u"empty.dat", "");
  MailContent mail;
  mail.senderAddress = "crash.sender@peer.test";
  mail.receivers = {"first@peer.test", "second@peer.test"};
  mail.senderName = "NORDA Crash Report";
  mail.subject = os::FromUtf16(u"Bericht \u00FCber den Absturz", os::ThreadAnsiCodePage());
  // A body line of a single full stop must not end the data early.
  mail.body =
      "Crash log line 1\r\n.\r\n..two dots\r\nThe following is file`s solution status:\r\n "
      "Send_CrashReport.dmp\r\n ";
  mail.attachments = {folder / u"CrashReport.zip", folder / u"empty.dat", folder / u"missing.dat"};

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
  // Its header lines and those of the first two parts, byte for byte.
  const std::string b = NORDA_MIME_BOUNDARY, next = "\r\n\r\n--" + b + "\r\nContent-";
  const std::string header =
      "From:NORDA Crash Report<crash.sender@peer.test>\r\nTo:<first@peer.test>\r\nTo:<second@peer.test>\r\n"
      "Subject:" + mail.subject + "\r\nMIME_Version:1.0\r\nX-Mailer:Smtp Client By norda kestrelwin\r\n"
      "MIME_Version:1.0\r\nContent-type:multipart/mixed;Boundary=" + b + next +
      "type:text/plain;Charset=gb2312\r\nContent-Transfer-Encoding:8bit\r\n\r\n" + mail.body + next +
      "Type:application/octet-stream;Name=CrashReport.zip\r\n"
      "Content-Disposition:attachment;FileName=CrashReport.zip\r\nContent-Transfer-Encoding:Base64\r\n\r\n";
  EXPECT_EQ(received.substr(0, header.size()), header);
  EXPECT_EQ(received.substr(received.size() - b.size() - 8), "\r\n--" + b + "--\r\n");

  const test::HostResult parts = test::RunOnHost(
      {"/usr/bin/python3", test::PeersFolder() + "/mail_parts.py", PeerPath(folder / u"mail\\mail1.eml"),
       PeerPath(folder.Path())},
      folder);
  ASSERT_EQ(parts.status, 0) << parts.output;
  // The text part is the body and the line end before the delimiter, its line ends as "\n".
  std::string textPart;
  for (char c : mail.body + "\r\n") {
    if (c != '\r') textPart += c;
  }
  Lines expected = {"boundary " + b, "defects 0", "part 0 text/plain gb2312 -",
                    "payload 0 " + std::to_string(textPart.size())};
  const std::pair<std::string, std::size_t> attachments[] = {
      {"CrashReport.zip", archive.size()}, {"empty.dat", 0}, {"missing.dat", 0}};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i + 1);
    expected.push_back("part " + n + " application/octet-stream - " + attachments[i].first);
    expected.push_back("payload " + n + " " + std::to_string(attachments[i].second));
  }
  EXPECT_EQ(SplitLines(parts.output), expected);
  EXPECT_EQ(ReadBytes(folder / u"part0.bin"), textPart);
  EXPECT_TRUE(ReadBytes(folder / u"part1.bin") == archive);
}

// The system's HTTP client against http.server; the download's rules: tests/core/mail_test.cpp.
TEST(SettingsServer, BodiesErrorsAndNoServer) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"root"));
  const std::string binary = RandomBytes(100000, 11);
  WriteBytes(folder / u"root\\big.bin", binary);
  PeerServer server("http_server.py", {"--root", PeerPath(folder / u"root")}, folder);
  ASSERT_TRUE(server.Started());

  // Each download goes over an older, longer file of the same name.
  const std::string older(150000, 'o');
  const struct {
    const char* name;
    std::u16string path;
    bool ok;
    Lines log;
    std::string file;   // the local file after
    bool whole = true;  // or only a part of it
  } cases[] = {
      {"binary bytes in several reads replace the older file", u"/big.bin", true, {}, binary},
      {"an error page is saved like a settings file", u"/norda+/missing.txt", true, {}, "404", false},
      {"a body shorter than its Content-Length fails; what came is kept",
       u"/short-body.txt",
       false,
       {"WhileInetReadFileFailed!"},
       "SmtpAddr Account Password Sendfrom\r\nSmtpAddr Account Password Sendfrom\r\n"},
      // Last: the server has ended.
      {"nothing listening: the older file stays", u"", false, {"InetOpenUrlFailed!"}, older},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string local = folder / u"MailSendInfo.log";
    WriteBytes(local, older);
    LogCapture log(folder);
    if (c.path.empty()) server.Stop();
    const std::u16string url = u"http://127.0.0.1:" + DecimalText(static_cast<unsigned>(server.Port()));
    EXPECT_EQ(DownloadUrlToFile(url + (c.path.empty() ? u"/x.txt" : c.path), local), c.ok);
    EXPECT_EQ(log.Lines(), c.log);
    const std::string got = ReadBytes(local);
    EXPECT_TRUE(c.whole ? got == c.file : got.find(c.file) != std::string::npos) << got.size();
  }

  // Every request asked the caches on the way for a fresh copy.
  int requests = 0, noCache = 0;
  for (const std::string& line : SplitLines(ReadBytes(folder / u"requests.log"))) {
    requests += line.rfind("GET ", 0) == 0;
    noCache += EqualsIgnoreCase(Utf8ToUtf16(line), u"Pragma: no-cache");
  }
  EXPECT_EQ(requests, 3);
  EXPECT_EQ(noCache, 3);
}

}  // namespace
}  // namespace norda
