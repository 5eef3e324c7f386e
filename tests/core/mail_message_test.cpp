// The report mail's bytes: the MIME pieces and their order, attachment
// streaming by chunks, the receiver list, the send-error log. Base64 itself
// is checked against Python's in tests/native/mail_peers_test.cpp, and the
// received mail by Python's email parser there. The program sends no HTML
// part, and the send folder is where the delivery tests find the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_settings.h"
#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/mail/send_error_log.h"
#include "core/mail/split_string.h"
#include "core/support/text.h"
#include "os/code_page.h"
#include "os/files.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"

namespace norda {
namespace {

using test::RandomBytes;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

const std::string kB = NORDA_MIME_BOUNDARY;

std::string Ansi(const std::u16string& path) { return os::FromUtf16(path, os::ThreadAnsiCodePage()); }

class Pieces : public PieceSink {
 public:
  explicit Pieces(std::size_t refuseAt = SIZE_MAX) : refuseAt_(refuseAt) {}
  bool Put(std::string_view piece) override {
    if (list.size() == refuseAt_) return false;
    list.emplace_back(piece);
    return true;
  }
  std::string Joined() const {
    std::string all;
    for (const std::string& p : list) all += p;
    return all;
  }
  std::vector<std::string> list;

 private:
  std::size_t refuseAt_;
};

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST(SplitString, Table) {
  const struct {
    std::string text, separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"a@x,b@y", ",", {"a@x", "b@y"}},
      {"a@x,b@y,", ",", {"a@x", "b@y"}},
      {"a@x,,b@y", ",", {"a@x", "", "b@y"}},
      {",a", ",", {"", "a"}},
      {",,", ",", {"", ""}},
      {"", ",", {}},
      {",", ",", {","}},
      {"ab", ",", {"ab"}},
      {"a", "ab", {}},
      {"x--y--", "--", {"x", "y"}},
      {"abc", "", {"abc"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitString(c.text, c.separator), c.pieces) << '"' << c.text << '"';
  }
}

TEST(MimeMessage, OneReceiverOneAttachmentLineByLine) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrashReport.zip";
  const std::string bytes = RandomBytes(100, 2);
  WriteBytes(path, bytes);
  MailContent mail;
  mail.senderAddress = "crash@norda.test";
  mail.receivers = {"report@norda.test"};
  mail.senderName = "NORDA Crash";
  mail.subject = "CrashReport";
  mail.body = "line one\r\nline two";
  mail.attachments = {Ansi(path)};
  Pieces pieces;
  ASSERT_TRUE(PutMessage(mail, pieces));

  const std::string base64 = Base64Encode(bytes);
  ASSERT_EQ(base64.size(), 76u + 2 + 60);
  const std::string expected = CrLfLines({
      "From:NORDA Crash<crash@norda.test>",
      "To:<report@norda.test>",
      "Subject:CrashReport",
      "MIME_Version:1.0",
      "X-Mailer:Smtp Client By norda kestrelwin",
      "MIME_Version:1.0",
      "Content-type:multipart/mixed;Boundary=" + kB,
      "",
      "--" + kB,
      "Content-type:text/plain;Charset=gb2312",
      "Content-Transfer-Encoding:8bit",
      "",
      "line one",
      "line two",
      "",
      "--" + kB,
      "Content-Type:application/octet-stream;Name=CrashReport.zip",
      "Content-Disposition:attachment;FileName=CrashReport.zip",
      "Content-Transfer-Encoding:Base64",
      "",
      base64.substr(0, 76),
      base64.substr(78),
      "",
      "--" + kB + "--",
      ".",
  });
  EXPECT_EQ(pieces.Joined(), expected);
  // Header block, text part, attachment header, one content piece, closing piece.
  ASSERT_EQ(pieces.list.size(), 5u);
  EXPECT_EQ(pieces.list[3], base64 + "\r\n\r\n");
  EXPECT_EQ(pieces.list[4], "--" + kB + "--\r\n.\r\n");
}

TEST(MimeMessage, AttachmentPiecesFollowTheChunks) {
  ScratchFolder folder;
  const struct {
    std::size_t size;
    std::size_t pieces;
    bool blankLineAfter;
  } cases[] = {
      {0, 0, false},
      {1, 1, true},
      {kAttachmentChunkBytes, 1, false},
      {kAttachmentChunkBytes + 1, 2, true},
      {5 * kAttachmentChunkBytes + 57, 6, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const std::u16string path = folder / u"a.bin";
    const std::string bytes = RandomBytes(c.size, static_cast<unsigned>(c.size));
    WriteBytes(path, bytes);
    Pieces pieces;
    ASSERT_TRUE(PutAttachmentContent(Ansi(path), pieces));
    ASSERT_EQ(pieces.list.size(), c.pieces);
    for (std::size_t i = 0; i + 1 < pieces.list.size(); ++i) EXPECT_EQ(pieces.list[i].size(), 15600u);
    EXPECT_EQ(pieces.Joined(), Base64Encode(bytes) + (c.blankLineAfter ? "\r\n\r\n" : ""));
  }
}

TEST(MimeMessage, ARefusedPieceStopsTheMessage) {
  ScratchFolder folder;
  WriteBytes(folder / u"big.bin", RandomBytes(3 * kAttachmentChunkBytes, 4));
  MailContent mail;
  mail.attachments = {Ansi(folder / u"big.bin"), Ansi(folder / u"big.bin")};
  // Header block, text part, twice an attachment header and three chunks, closing piece.
  for (std::size_t refuseAt = 0; refuseAt < 11; ++refuseAt) {
    Pieces pieces(refuseAt);
    EXPECT_FALSE(PutMessage(mail, pieces));
    EXPECT_EQ(pieces.list.size(), refuseAt);
  }
  Pieces all;
  EXPECT_TRUE(PutMessage(mail, all));
  EXPECT_EQ(all.list.size(), 11u);
}

TEST(SendErrorLog, EntriesEndWithCrLfOnlyWhileTheFlagIsSet) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrSendErr.log";
  SendErrorLog& log = SendErrorLog::Instance();
  log.SetOpenFlag(false);
  WriteBytes(path, "an older log that is longer than the new one\r\n");
  ASSERT_TRUE(log.Open(path));
  EXPECT_TRUE(log.OpenFlag());
  LogSendError(u"InetOpenUrlFailed!");
  log.WriteEntry(u"Smtp Service Address: ", u"mail.norda.test");
  log.WriteEntry(u"Account: ", u"");
  log.WriteEntry(u"two\nlines");
  log.SetOpenFlag(false);
  log.WriteEntry(u"NotWritten!");
  log.SetOpenFlag(true);
  log.WriteText(u"UserSendNothing!");
  log.Close();
  EXPECT_TRUE(log.OpenFlag()) << "closing keeps the flag";
  log.WriteEntry(u"AfterClose!");
  EXPECT_EQ(ReadBytes(path),
            "InetOpenUrlFailed!\r\nSmtp Service Address: mail.norda.test\r\nAccount: \r\n"
            "two\r\nlines\r\nUserSendNothing!");
  // A log that cannot be created leaves the flag as it was.
  log.SetOpenFlag(false);
  EXPECT_FALSE(log.Open(folder / u"no-such-folder\\CrSendErr.log"));
  EXPECT_FALSE(log.OpenFlag());
}

}  // namespace
}  // namespace norda
