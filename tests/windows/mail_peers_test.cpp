// The report mail through WinSock under Wine, beyond the cases shared with
// the native build (tests/mail/delivery_peer_cases.cpp): names resolved by
// gethostbyname, and texts in the thread's ANSI code page sent as raw bytes.
#include <gtest/gtest.h>

#include "core/mail/smtp_client.h"
#include "mail/peer_server.h"
#include "os/code_page.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::PeerPath;
using test::ReadBytes;
using test::ScratchFolder;

TEST(SmtpOverWinSock, HostByNameAndAnsiSubject) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"mail"));
  test::PeerServer server("smtp_server.py",
                          {"--mail-folder", PeerPath(folder / u"mail"), "--user", "u", "--password",
                           "p"},
                          folder);
  ASSERT_TRUE(server.Started());
  const std::uint32_t codePage = os::ThreadAnsiCodePage();
  const std::string subject = os::FromUtf16(u"Bericht \u00FCber den Absturz", codePage);
  // A code page of single bytes carries the letter as one byte, not as UTF-8.
  if (codePage == 1252) {
    EXPECT_EQ(subject, "Bericht \xFC" "ber den Absturz");
  }
  {
    SmtpClient client;
    ASSERT_TRUE(client.Connect("localhost", server.Port()));
    ASSERT_TRUE(client.Login("u", "p"));
    ASSERT_TRUE(client.SendMail("crash@peer.test", {"report@peer.test"}, "NORDA", subject, "body",
                                {}, false));
  }
  ASSERT_TRUE(test::WaitForFile(folder / u"mail\\mail1.eml", 10));
  const std::string received = ReadBytes(folder / u"mail\\mail1.eml");
  EXPECT_NE(received.find("\r\nSubject:" + subject + "\r\n"), std::string::npos) << received;
}

}  // namespace
}  // namespace norda
