// The report mail in the core: attachment chunks, the receiver list, the
// send-error log, the mail settings' lines, pick and download tags. Base64, the
// message and its delivery are checked against Python and real servers in
// tests/native and tests/mail, any replies by fuzz/smtp_reply_fuzz.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/mail/base64.h"
#include "core/mail/mail_settings.h"
#include "core/mail/mime_message.h"
#include "core/mail/send_error_log.h"
#include "core/mail/settings_download.h"
#include "core/mail/split_string.h"
#include "core/support/text.h"
#include "mail/log_capture.h"
#include "os/code_page.h"
#include "os/files.h"
#include "support/mail_records.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"

namespace norda {
namespace {

using Lines = std::vector<std::string>;
using test::Fields;
using test::LogCapture;
using test::RandomBytes;
using test::ReadBytes;
using test::ReciverRecords;
using test::ScratchFolder;
using test::SendRecords;
using test::WriteBytes;

// The receivers' list of the settings: a last comma ends it, an empty piece
// between two stays, a lone comma is kept as it is.
TEST(SplitString, Table) {
  const struct {
    std::string text, separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"a@x,b@y,", ",", {"a@x", "b@y"}},
      {"a@x,,b@y", ",", {"a@x", "", "b@y"}},
      {"", ",", {}},
      {",", ",", {","}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitString(c.text, c.separator), c.pieces) << '"' << c.text << '"';
}

TEST(MimeMessage, AttachmentPiecesFollowTheChunks) {
  ScratchFolder folder;
  const struct {
    std::size_t size;
    std::size_t pieces;
    bool blankLineAfter;
  } cases[] = {
      {0, 0, false},
      {kAttachmentChunkBytes, 1, false},
      {kAttachmentChunkBytes + 1, 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const std::u16string path = folder / u"a.bin";
    const std::string bytes = RandomBytes(c.size, static_cast<unsigned>(c.size));
    WriteBytes(path, bytes);
    test::TextSink pieces;
    ASSERT_TRUE(PutAttachmentContent(path, pieces));
    ASSERT_EQ(pieces.pieces.size(), c.pieces);
    for (std::size_t i = 0; i + 1 < pieces.pieces.size(); ++i) EXPECT_EQ(pieces.pieces[i].size(), 15600u);
    EXPECT_EQ(pieces.text, Base64Encode(bytes) + (c.blankLineAfter ? "\r\n\r\n" : ""));
  }
}

TEST(SendErrorLog, EntriesEndWithCrLfOnlyWhileTheFlagIsSet) {
  ScratchFolder folder;
  const std::u16string path = folder / u"CrSendErr.log";
  SendErrorLog& log = SendErrorLog::Instance();
  WriteBytes(path, "an older log that is longer than the new one\r\n");
  ASSERT_TRUE(log.Open(path));
  EXPECT_TRUE(log.OpenFlag());
  LogSendError(u"InetOpenUrlFailed!");
  log.WriteEntry(u"two\nlines");
  log.WriteText(u"UserSendNothing!");
  log.Close();
  EXPECT_TRUE(log.OpenFlag()) << "closing keeps the flag";
  log.WriteEntry(u"AfterClose!");
  EXPECT_EQ(ReadBytes(path), "InetOpenUrlFailed!\r\ntwo\r\nlines\r\nUserSendNothing!");
  // A log that cannot be created leaves the flag as it was.
  EXPECT_FALSE(log.Open(folder / u"no-such-folder\\CrSendErr.log"));
  EXPECT_TRUE(log.OpenFlag());
}

// How a line's words fill a record; one record per line and no blanks at a
// field's ends are checked on any file by fuzz/mail_settings_fuzz.cpp.
TEST(MailSettingsFiles, LinesToRecords) {
  const struct {
    const char* name;
    bool sender;
    std::string file;
    std::vector<Fields> records;
  } cases[] = {
      {"five words: the surplus stays in the first field", true, "mail host user pw from@x\n",
       {{u"mail host", u"user", u"pw", u"from@x"}}},
      {"a two-word second line keeps the first fields of the first line", true,
       "smtp.x user pw from@x\r\npw2 from2@x\r\n",
       {{u"smtp.x", u"user", u"pw", u"from@x"}, {u"smtp.x", u"user", u"pw2", u"from2@x"}}},
      {"a one-word line repeats the previous record", true, "smtp.x user pw from@x\nlonely",
       {{u"smtp.x", u"user", u"pw", u"from@x"}, {u"smtp.x", u"user", u"pw", u"from@x"}}},
      {"a blank first line is a record of empty fields", true, "\r\nsmtp.x user pw from@x",
       {{u"", u"", u"", u""}, {u"smtp.x", u"user", u"pw", u"from@x"}}},
      {"only the space separates; tabs inside a field stay, around it they go", true,
       "\thost\tname user\t pw\t from@x \t\n", {{u"host\tname", u"user", u"pw", u"from@x"}}},
      {"runs of blanks between words; bytes stay bytes", true, "  smtp.\xE9x   user  pw   from@\x80  \r\n",
       {{u"smtp.\u00E9x", u"user", u"pw", u"from@\u0080"}}},
      {"receivers: four words", false, "a@x Norda Crash Reports\n", {{u"a@x Norda", u"Crash", u"Reports"}}},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MailSettings::Instance() = MailSettings{};
    WriteBytes(folder / u"settings.log", c.file);
    LogCapture log(folder);
    EXPECT_TRUE(c.sender ? ReadMailSendInfo(folder / u"settings.log")
                         : ReadMailReciverInfo(folder / u"settings.log"));
    EXPECT_EQ(c.sender ? SendRecords() : ReciverRecords(), c.records);
    EXPECT_EQ(log.Lines(), Lines{});
  }
}

TEST(MailSettingsFiles, ListsOnlyGrowAndAFailingReaderChangesNothing) {
  ScratchFolder folder;
  MailSettings::Instance() = MailSettings{};
  LogCapture log(folder);
  EXPECT_FALSE(ReadMailReciverInfo(folder / u"missing.log"));
  WriteBytes(folder / u"r.log", "a@x S R\n");
  EXPECT_TRUE(ReadMailReciverInfo(folder / u"r.log"));
  // An empty file adds nothing, but the earlier record makes the read succeed.
  WriteBytes(folder / u"empty.log", "");
  EXPECT_TRUE(ReadMailReciverInfo(folder / u"empty.log"));
  EXPECT_FALSE(ReadMailSendInfo(folder / u"missing.log"));
  EXPECT_FALSE(ReadMailSendInfo(folder / u"empty.log"));
  EXPECT_TRUE(ReadMailReciverInfo(folder / u"r.log"));
  EXPECT_EQ(ReciverRecords().size(), 2u);
  EXPECT_TRUE(MailSettings::Instance().sendInfos.empty());
  EXPECT_EQ(log.Lines(),
            (Lines{"ReadMailReciverInfoFailed!", "ReadMailSendInfoFailed!", "ReadMailSendInfoFailed!"}));
}

// The tags of a pick; which record is picked is checked by fuzz/mail_settings_fuzz.cpp.
TEST(MailSettingsPick, AnEmptyFieldIsTaggedButHandedOut) {
  ScratchFolder folder;
  MailSettings::Instance() = MailSettings{};
  WriteBytes(folder / u"s.log", "\n");
  WriteBytes(folder / u"r.log", "only-two words\n");
  ASSERT_TRUE(ReadMailSendInfo(folder / u"s.log"));
  ASSERT_TRUE(ReadMailReciverInfo(folder / u"r.log"));
  LogCapture log(folder);
  std::u16string h = u"x", u = u"x", p = u"x", f = u"x";
  GetSendInfo(h, u, p, f);
  EXPECT_EQ((Fields{h, u, p, f}), (Fields{u"", u"", u"", u""}));
  std::u16string t, s, r;
  GetReciverInfo(t, s, r);
  EXPECT_EQ((Fields{t, s, r}), (Fields{u"", u"only-two", u"words"}));
  EXPECT_EQ(log.Lines(), (Lines{"GetSendInfoFailed!", "getReciverInfoFailed!"}));
}

// A URL source that plays a script: which step fails, each read's bytes, and
// after how many checks the connection is lost. Real HTTP servers and any
// framing: tests/mail/delivery_peer_cases.cpp, fuzz/http_response_fuzz.cpp.
struct Script {
  bool connected, root;
  int connectedChecks;  // checks answered true before the connection is lost
  std::optional<std::uint64_t> contentLength;
  std::vector<std::string> reads;  // each read's bytes
};

class ScriptedSource : public UrlSource {
 public:
  explicit ScriptedSource(const Script& script) : script_(script) {}
  bool Connected() override { return script_.connected && checks_++ < script_.connectedChecks; }
  bool OpenRoot() override { return script_.root; }
  bool OpenUrl() override { return true; }
  std::optional<std::uint64_t> ContentLength() override { return script_.contentLength; }
  std::size_t Read(void* buffer, std::size_t size) override {
    EXPECT_EQ(size, 32768u);
    if (next_ >= script_.reads.size()) return 0;
    const std::string& piece = script_.reads[next_++];
    std::copy(piece.begin(), piece.end(), static_cast<char*>(buffer));
    return piece.size();
  }

 private:
  Script script_;
  int checks_ = 0;
  std::size_t next_ = 0;
};

TEST(MailSettingsDownload, StepsAndTheirTags) {
  const std::string a(32768, 'a'), b = "tail";
  const struct {
    const char* name;
    Script script;
    bool result;
    Lines log;
    std::optional<std::string> file;  // the local file afterwards, if any
    const char16_t* local = u"MailSendInfo.log";
  } cases[] = {
      {"offline", {false, true, 9, {}, {}}, false, {"InetConnectFailed!"}, {}},
      {"no root handle", {true, false, 9, {}, {}}, false, {"InetOpenFailed!"}, {}},
      {"more than Content-Length is complete", {true, true, 9, 2, {b}}, true, {}, b},
      {"no Content-Length: complete at the end", {true, true, 9, {}, {a, b}}, true, {}, a + b},
      {"lost between chunks", {true, true, 2, 99999, {a, a, b}}, false, {"WhileInetConnectFailed!"}, a},
      {"lost before the first read", {true, true, 1, {}, {a}}, false, {"WhileInetConnectFailed!"}, ""},
      {"a local file that cannot be created", {true, true, 9, {}, {"x"}}, false, {"CreateFileFailed!"}, {},
       u"no-such-folder\\MailSendInfo.log"},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string local = folder / c.local;
    os::RemoveFile(local);
    LogCapture log(folder);
    ScriptedSource source(c.script);
    EXPECT_EQ(DownloadToFile(source, local), c.result);
    EXPECT_EQ(log.Lines(), c.log);
    EXPECT_EQ(os::PathExists(local), c.file.has_value());
    EXPECT_TRUE(!c.file || ReadBytes(local) == *c.file);
  }
}

}  // namespace
}  // namespace norda
