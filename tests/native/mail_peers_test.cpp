// The report mail against Python's decoders: the base64 module for the
// encoder (exact text and line layout), the email package for the composed
// message, whose header lines are also compared byte for byte (a real SMTP
// server keeps exactly these bytes: tests/mail/delivery_peer_cases.cpp).
#include <gtest/gtest.h>

#include <sstream>

#include "build_settings.h"
#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/support/text.h"
#include "support/mail_records.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"

namespace norda {
namespace {

using test::NativeFsPath;
using test::RandomBytes;
using test::ReadBytes;
using test::WriteBytes;

std::string Peer(const std::string& script) { return test::SourceDir() + "/tests/peers/" + script; }

// Lengths around every boundary of the line and chunk layout.
TEST(Base64AgainstPython, ManyLengths) {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (std::size_t base :
       {kAttachmentChunkBytes, std::size_t{5700}, 2 * kAttachmentChunkBytes, std::size_t{65536}}) {
    for (std::size_t d = 0; d < 4; ++d) lengths.insert(lengths.end(), {base - d - 1, base + d});
  }
  test::ScratchFolder folder;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const std::string data = RandomBytes(lengths[i], static_cast<std::uint32_t>(i));
    const std::string text = Base64Encode(data);
    WriteBytes(folder / (u"data" + DecimalText(i) + u".bin"), data);
    WriteBytes(folder / (u"text" + DecimalText(i) + u".txt"), text);
    EXPECT_EQ(Base64EncodedSize(data.size()), text.size()) << lengths[i];
  }
  const auto report =
      test::RunCommand({"/usr/bin/python3", Peer("base64_check.py"), NativeFsPath(folder.Path())});
  EXPECT_EQ(report.exitCode, 0);
  EXPECT_EQ(report.output, "checked " + std::to_string(lengths.size()) + "\n");
}

// Every header line, the text part and each attachment's bytes, as Python's
// email package takes them apart: two receivers, a subject of 8-bit bytes
// sent raw, and attachments of several chunks, of no bytes and missing.
TEST(MailWithPythonEmail, ComposedMailParsesAsSent) {
  test::ScratchFolder folder;
  const std::string archive = RandomBytes(2 * kAttachmentChunkBytes + 5, 5);
  WriteBytes(folder / u"CrashReport.zip", archive);
  WriteBytes(folder / u"empty.dat", "");
  const std::u16string root = folder.Path() + u"\\";
  MailContent mail;
  mail.senderAddress = "crash@peer.test";
  mail.receivers = {"first@peer.test", "second@peer.test"};
  mail.senderName = "NORDA Crash Report";
  mail.subject = "Absturz \xC3\xBC" "ber Zeichnung";
  mail.body = "2012-03-01 10:00 access violation\r\n\r\nThe following is file`s solution status:\r\n "
              "Send_CrashReport.dmp\r\n NotSend_Registry.reg\r\n ";
  mail.attachments = {root + u"CrashReport.zip", root + u"empty.dat", root + u"missing.dat"};
  test::TextSink message;
  ASSERT_TRUE(PutMessage(mail, message));
  const std::string b = NORDA_MIME_BOUNDARY;
  const std::string header =
      "From:NORDA Crash Report<crash@peer.test>\r\nTo:<first@peer.test>\r\n"
      "To:<second@peer.test>\r\nSubject:" +
      mail.subject +
      "\r\nMIME_Version:1.0\r\n"
      "X-Mailer:Smtp Client By norda kestrelwin\r\nMIME_Version:1.0\r\n"
      "Content-type:multipart/mixed;Boundary=" +
      b + "\r\n\r\n--" + b +
      "\r\nContent-type:text/plain;Charset=gb2312\r\nContent-Transfer-Encoding:8bit\r\n\r\n" + mail.body +
      "\r\n\r\n--" + b +
      "\r\nContent-Type:application/octet-stream;"
      "Name=CrashReport.zip\r\nContent-Disposition:attachment;FileName=CrashReport.zip\r\n"
      "Content-Transfer-Encoding:Base64\r\n\r\n";
  EXPECT_EQ(message.text.substr(0, header.size()), header);
  EXPECT_EQ(message.text.substr(message.text.size() - b.size() - 11), "\r\n--" + b + "--\r\n.\r\n");
  // As a server keeps it: without the end-of-data line.
  WriteBytes(folder / u"mail.eml", message.text.substr(0, message.text.size() - 3));
  const auto listing =
      test::RunCommand({"/usr/bin/python3", Peer("mail_parts.py"),
                        NativeFsPath(folder / u"mail.eml").string(), NativeFsPath(folder.Path())});
  ASSERT_EQ(listing.exitCode, 0) << listing.output;
  // The text part is the body and the line end before the delimiter; Python
  // hands it out with its line ends as "\n".
  std::string textPart;
  for (char c : mail.body + "\r\n") {
    if (c != '\r') textPart += c;
  }
  std::vector<std::string> expected = {
      "header From: NORDA Crash Report<crash@peer.test>", "header To: <first@peer.test>",
      "header To: <second@peer.test>", "header Subject: " + mail.subject, "header MIME_Version: 1.0",
      "header X-Mailer: Smtp Client By norda kestrelwin", "header MIME_Version: 1.0",
      "header Content-type: multipart/mixed;Boundary=" + b, "boundary " + b, "defects 0",
      "part 0 text/plain gb2312 -", "partheader Content-type: text/plain;Charset=gb2312",
      "partheader Content-Transfer-Encoding: 8bit", "payload 0 " + std::to_string(textPart.size())};
  const std::pair<std::string, std::size_t> attachments[] = {
      {"CrashReport.zip", archive.size()}, {"empty.dat", 0}, {"missing.dat", 0}};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string& name = attachments[i].first;
    expected.insert(expected.end(),
                    {"part " + std::to_string(i + 1) + " application/octet-stream - " + name,
                     "partheader Content-Type: application/octet-stream;Name=" + name,
                     "partheader Content-Disposition: attachment;FileName=" + name,
                     "partheader Content-Transfer-Encoding: Base64",
                     "payload " + std::to_string(i + 1) + " " + std::to_string(attachments[i].second)});
  }
  std::vector<std::string> lines;
  std::istringstream in(listing.output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(ReadBytes(folder / u"part0.bin"), textPart);
  EXPECT_TRUE(ReadBytes(folder / u"part1.bin") == archive);
}

}  // namespace
}  // namespace norda
