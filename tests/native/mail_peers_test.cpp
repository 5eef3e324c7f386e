// Linux-only checks of the report mail by independent decoders: Python's
// base64 module for the encoder (exact text and line layout), Python's email
// package for the message that a real SMTP server received. The cases shared
// with the Windows build are in tests/mail/delivery_peer_cases.cpp.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "build_settings.h"
#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/mail/smtp_client.h"
#include "core/support/text.h"
#include "mail/peer_server.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/run_command.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::PeerPath;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Lengths around every boundary of the line and chunk layout.
std::vector<std::size_t> Base64Lengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (std::size_t base : {kAttachmentChunkBytes, std::size_t{5700}, 2 * kAttachmentChunkBytes,
                           std::size_t{65536}}) {
    for (std::size_t d = 0; d < 4; ++d) lengths.insert(lengths.end(), {base - d - 1, base + d});
  }
  return lengths;
}

TEST(Base64AgainstPython, ManyLengths) {
  ScratchFolder folder;
  const auto lengths = Base64Lengths();
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const std::string data = RandomBytes(lengths[i], static_cast<unsigned>(i));
    const std::u16string index = DecimalText(i);
    WriteBytes(folder / (u"data" + index + u".bin"), data);
    const std::string text = Base64Encode(data);
    WriteBytes(folder / (u"text" + index + u".txt"), text);
    EXPECT_EQ(Base64EncodedSize(data.size()), text.size()) << lengths[i];
  }
  const auto report =
      test::RunCommand({"/usr/bin/python3", test::PeersFolder() + "/base64_check.py", PeerPath(folder.Path())});
  EXPECT_EQ(report.exitCode, 0);
  EXPECT_EQ(report.output, "checked " + std::to_string(lengths.size()) + "\n");
}

// The mail as a real SMTP server received it, taken apart by Python's email
// package: every header line, the text part and each attachment's bytes.
TEST(MailWithPythonEmail, ReceivedMailParsesAsSent) {
  ScratchFolder folder;
  ASSERT_TRUE(os::CreateFolder(folder / u"mail"));
  test::PeerServer server("smtp_server.py",
                          {"--mail-folder", PeerPath(folder / u"mail"), "--user", "u", "--password",
                           "p"},
                          folder);
  ASSERT_TRUE(server.Started());

  const std::string archive = RandomBytes(2 * kAttachmentChunkBytes + 5, 5);
  WriteBytes(folder / u"CrashReport.zip", archive);
  WriteBytes(folder / u"empty.dat", "");
  const std::string root = Utf16ToUtf8(folder.Path()) + "\\";
  const std::string body =
      "2012-03-01 10:00 access violation\r\n\r\nThe following is file`s solution status:\r\n "
      "Send_CrashReport.dmp\r\n NotSend_Registry.reg\r\n ";
  const std::string subject = "Absturz \xC3\xBC" "ber Zeichnung";  // 8-bit bytes, sent raw
  {
    SmtpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(client.Login("u", "p"));
    ASSERT_TRUE(client.SendMail("crash@peer.test", {"first@peer.test", "second@peer.test"},
                                "NORDA Crash Report", subject, body,
                                {root + "CrashReport.zip", root + "empty.dat", root + "missing.dat"},
                                false));
  }
  ASSERT_TRUE(test::WaitForFile(folder / u"mail\\mail1.eml", 10));
  ASSERT_TRUE(os::CreateFolder(folder / u"parts"));
  const auto listing = test::RunCommand({"/usr/bin/python3", test::PeersFolder() + "/mail_parts.py",
                                         PeerPath(folder / u"mail\\mail1.eml"), PeerPath(folder / u"parts")});
  ASSERT_EQ(listing.exitCode, 0) << listing.output;
  const std::string b = NORDA_MIME_BOUNDARY;
  // The text part is the body and the line end that precedes the delimiter;
  // Python's decoded payload has its line ends as "\n".
  std::string textPart;
  for (char c : body + "\r\n") {
    if (c != '\r') textPart += c;
  }
  const std::vector<std::string> expected = {
      "header From: NORDA Crash Report<crash@peer.test>",
      "header To: <first@peer.test>",
      "header To: <second@peer.test>",
      "header Subject: " + subject,
      "header MIME_Version: 1.0",
      "header X-Mailer: Smtp Client By norda kestrelwin",
      "header MIME_Version: 1.0",
      "header Content-type: multipart/mixed;Boundary=" + b,
      "boundary " + b,
      "defects 0",
      "part 0 text/plain gb2312 -",
      "partheader Content-type: text/plain;Charset=gb2312",
      "partheader Content-Transfer-Encoding: 8bit",
      "payload 0 " + std::to_string(textPart.size()),
      "part 1 application/octet-stream - CrashReport.zip",
      "partheader Content-Type: application/octet-stream;Name=CrashReport.zip",
      "partheader Content-Disposition: attachment;FileName=CrashReport.zip",
      "partheader Content-Transfer-Encoding: Base64",
      "payload 1 " + std::to_string(archive.size()),
      "part 2 application/octet-stream - empty.dat",
      "partheader Content-Type: application/octet-stream;Name=empty.dat",
      "partheader Content-Disposition: attachment;FileName=empty.dat",
      "partheader Content-Transfer-Encoding: Base64",
      "payload 2 0",
      "part 3 application/octet-stream - missing.dat",
      "partheader Content-Type: application/octet-stream;Name=missing.dat",
      "partheader Content-Disposition: attachment;FileName=missing.dat",
      "partheader Content-Transfer-Encoding: Base64",
      "payload 3 0",
  };
  EXPECT_EQ(Lines(listing.output), expected);
  EXPECT_EQ(ReadBytes(folder / u"parts\\part0.bin"), textPart);
  EXPECT_TRUE(ReadBytes(folder / u"parts\\part1.bin") == archive);
}

}  // namespace
}  // namespace norda
