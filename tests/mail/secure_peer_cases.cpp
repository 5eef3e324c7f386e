// Secure delivery against aiosmtpd, http.server behind TLS and servers that refuse or stay silent;
// the test CA of tests/peers/make_certs.sh is trusted through SSL_CERT_FILE. Certificates that are not
// pinned, a STARTTLS not offered and a silent mail server: the real program (tests/e2e/secure_delivery.py).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "core/mail/settings_download.h"
#include "core/mail/smtp_client.h"
#include "core/support/text.h"
#include "mail/log_capture.h"
#include "mail/peer_server.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::Lines;
using test::LogCapture;
using test::PeerPath;
using test::PeerServer;
using test::ReadBytes;
using test::ScratchFolder;
using test::SplitLines;
using test::Then;

// "server" (by the test CA) and "self" for localhost (mail) and 127.0.0.1 (settings); Pin: its digest.
struct Certificates {
  explicit Certificates(const ScratchFolder& folder) : dir(PeerPath(folder.Path()) + "/") {
    const auto made = test::RunOnHost({"/bin/sh", test::PeersFolder() + "/make_certs.sh", dir}, folder);
    EXPECT_EQ(made.status, 0) << made.output;
    setenv("SSL_CERT_FILE", (dir + "ca.pem").c_str(), 1);
  }
  std::vector<os::CertificateDigest> Pin(const std::string& name) const {
    if (name.empty()) return {};
    return ParseCertificatePins(ReadBytes(Utf8ToUtf16(dir + name + ".sha256")).substr(0, 64));
  }
  Lines Files(const std::string& name) const {
    return {"--tls-cert", dir + name + ".pem", "--tls-key", dir + name + ".key"};
  }
  std::string dir;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(SecureSmtp, AuthOnlyOverAnAcceptedTlsSession) {
  ScratchFolder folder;
  const Certificates certificates(folder);
  const Lines asked = {"EHLO", "STARTTLS"}, mailed = {"EHLO", "AUTH", "MAIL", "RCPT", "DATA", "QUIT"};
  constexpr auto kStartTls = SmtpSecurity::kStartTls, kTls = SmtpSecurity::kTls;
  // The client's pin (none: the test CA decides); a mail went out when AUTH is among the server's verbs.
  const struct {
    const char *name, *server, *certificate;
    SmtpSecurity client;
    const char* pin;
    Lines log, commands;
  } cases[] = {
      {"STARTTLS, pinned", "starttls", "server", kStartTls, "server", {}, Then(asked, mailed)},
      {"TLS from the first byte, trusted through the CA", "tls", "server", kTls, "", {}, mailed},
      {"a wrong pin", "starttls", "server", kStartTls, "self", {"TlsCertificateRejected!"}, asked},
  };
  int serial = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string mail = folder / (u"mail" + DecimalText(++serial));
    ASSERT_TRUE(os::CreateFolder(mail));
    PeerServer server("smtp_server.py",
                      Then({"--mail-folder", PeerPath(mail), "--user", "report.sender", "--password", "pw",
                              "--security", c.server, "--commands-log", PeerPath(mail + u"\\commands")},
                             certificates.Files(c.certificate)),
                      folder);
    ASSERT_TRUE(server.Started());
    LogCapture log(folder);
    const bool delivered = c.log.empty();
    {
      SmtpClient client({c.client, certificates.Pin(c.pin), 0});
      EXPECT_EQ(client.Connect("localhost", server.Port()), c.client != kTls || delivered);
      EXPECT_EQ(client.Login("report.sender", "pw"), delivered);
      EXPECT_EQ(client.SendMail("crash@peer.test", {"to@peer.test"}, "NORDA", "Subject", "Body", {}, false),
                delivered);
    }
    EXPECT_EQ(log.Lines(), c.log);
    server.Stop();
    EXPECT_EQ(os::PathExists(mail + u"\\commands") ? SplitLines(ReadBytes(mail + u"\\commands")) : Lines{},
              c.commands);
    EXPECT_EQ(os::PathExists(mail + u"\\mail1.envelope"), delivered);
  }
}

// The settings over HTTPS, a refused STARTTLS, and servers that never answer or stop inside a body.
TEST(SecureDelivery, HttpsRefusedStartTlsAndTimeOuts) {
  ScratchFolder folder;
  const Certificates certificates(folder);
  ASSERT_TRUE(os::CreateFolder(folder / u"root"));
  const std::string sendInfo = "smtp.peer.test report.sender s3cret crash@peer.test\r\n";
  test::WriteBytes(folder / u"root\\CrSendInfo.txt", sendInfo);
  test::WriteBytes(folder / u"script.txt",
                   "send 220 peer.test ready\\r\\n\nrecv\nsend 250-peer.test\\r\\n250 STARTTLS\\r\\n\nrecv\n"
                   "send 454 4.7.0 TLS not available\\r\\n\nrecv\n");
  const Lines root = {"--root", PeerPath(folder / u"root")};
  PeerServer trusted("http_server.py", Then(root, certificates.Files("server")), folder);
  PeerServer refusing("scripted_smtp.py",
                      {"--script", PeerPath(folder / u"script.txt"), "--transcript",
                       PeerPath(folder / u"transcript.txt")},
                      folder);
  PeerServer silent("stalled_server.py", {"--stalled-file", PeerPath(folder / u"stalled1")}, folder);
  PeerServer halfBody("stalled_server.py",
                      {"--stalled-file", PeerPath(folder / u"stalled2"), "--greeting",
                       "HTTP/1.1 200 OK\\r\\nContent-Length: 100\\r\\n\\r\\nsmtp"},
                      folder);
  ASSERT_TRUE(trusted.Started() && refusing.Started() && silent.Started() && halfBody.Started());
  enum Kind { kMail, kSettings, kSecureSettings };
  constexpr auto kNone = SmtpSecurity::kNone, kStartTls = SmtpSecurity::kStartTls, kTls = SmtpSecurity::kTls;
  const struct {
    const char* name;
    const PeerServer& server;
    Kind kind;
    SmtpSecurity security;  // of the mail
    const char* pin;        // of the settings
    Lines log;
  } cases[] = {
      {"settings pinned", trusted, kSecureSettings, kNone, "server", {}},
      {"STARTTLS refused", refusing, kMail, kStartTls, "", {"StartTlsRefused!"}},
      {"no handshake", silent, kMail, kTls, "", {"TlsHandshakeTimedOut!", "SendAuthLoginFailed!"}},
      {"no answer to the settings", silent, kSettings, kNone, "", {"InetOpenUrlTimedOut!"}},
      {"a settings body that stops", halfBody, kSettings, kNone, "", {"WhileInetReadFileTimedOut!"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log(folder);
    const std::u16string local = folder / u"MailSendInfo.log";
    const auto start = std::chrono::steady_clock::now();
    if (c.kind == kMail) {
      SmtpClient client({c.security, {}, 2});
      client.Connect("127.0.0.1", c.server.Port());
      EXPECT_FALSE(client.Login("report.sender", "pw"));
    } else {
      const std::u16string url = (c.kind == kSecureSettings ? u"https://127.0.0.1:" : u"http://127.0.0.1:") +
                                 DecimalText(static_cast<unsigned>(c.server.Port())) + u"/CrSendInfo.txt";
      EXPECT_EQ(DownloadUrlToFile(url, local, {kNone, certificates.Pin(c.pin), 2}), c.log.empty());
      EXPECT_TRUE(!c.log.empty() || ReadBytes(local) == sendInfo);
    }
    EXPECT_LT(SecondsSince(start), 3.5) << "one time-out at most";
    EXPECT_EQ(log.Lines(), c.log);
  }
  ASSERT_TRUE(test::WaitForFile(folder / u"transcript.txt", 10));
  EXPECT_EQ(SplitLines(ReadBytes(folder / u"transcript.txt")),
            (Lines{"EHLO 127.0.0.1", "STARTTLS", "<eof>"}));
}

}  // namespace
}  // namespace norda
