// The mail settings: how a settings file's lines become records, how one is
// picked, and the download's failure tags (with a scripted URL source; the
// real HTTP peers are in tests/mail/delivery_peer_cases.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/mail/mail_settings.h"
#include "core/mail/send_error_log.h"
#include "core/mail/settings_download.h"
#include "os/files.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

using Fields = std::vector<std::u16string>;

// The log of one test in a scratch folder, read back without its CR LFs.
class LogCapture {
 public:
  explicit LogCapture(const ScratchFolder& folder) : path_(folder / u"CrSendErr.log") {
    SendErrorLog::Instance().SetOpenFlag(false);
    EXPECT_TRUE(SendErrorLog::Instance().Open(path_));
  }
  ~LogCapture() { SendErrorLog::Instance().Close(); }
  std::string Text() {
    SendErrorLog::Instance().Close();
    std::string text = ReadBytes(path_);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

 private:
  std::u16string path_;
};

std::vector<Fields> SendRecords() {
  std::vector<Fields> records;
  for (const SendInfo& i : MailSettings::Instance().sendInfos) {
    records.push_back({i.SmtpAddr, i.Account, i.Password, i.Sendfrom});
  }
  return records;
}

std::vector<Fields> ReciverRecords() {
  std::vector<Fields> records;
  for (const ReciverInfo& i : MailSettings::Instance().reciverInfos) {
    records.push_back({i.Sendto, i.SenderName, i.ReceiverName});
  }
  return records;
}

TEST(MailSettingsFiles, SenderLines) {
  const struct {
    const char* name;
    std::string file;
    bool read;
    std::vector<Fields> records;
  } cases[] = {
      {"runs of spaces, trailing spaces, CR LF", "  smtp.x   user  pw   from@x   \r\n", true,
       {{u"smtp.x", u"user", u"pw", u"from@x"}}},
      {"five words: the surplus stays in the first field", "mail host user pw from@x\n", true,
       {{u"mail host", u"user", u"pw", u"from@x"}}},
      {"a two-word second line keeps the first fields of the first line",
       "smtp.x user pw from@x\r\npw2 from2@x\r\n", true,
       {{u"smtp.x", u"user", u"pw", u"from@x"}, {u"smtp.x", u"user", u"pw2", u"from2@x"}}},
      {"a one-word line repeats the previous record", "smtp.x user pw from@x\nlonely", true,
       {{u"smtp.x", u"user", u"pw", u"from@x"}, {u"smtp.x", u"user", u"pw", u"from@x"}}},
      {"empty file", "", false, {}},
      {"a blank first line is a record of empty fields", "\r\nsmtp.x user pw from@x", true,
       {{u"", u"", u"", u""}, {u"smtp.x", u"user", u"pw", u"from@x"}}},
      {"a blank line in between repeats the previous record", "a b c d\n\ne f g h\n", true,
       {{u"a", u"b", u"c", u"d"}, {u"a", u"b", u"c", u"d"}, {u"e", u"f", u"g", u"h"}}},
      {"only the space separates; tabs inside a field stay, around it they go",
       "\thost\tname user\t pw\t from@x \t\n", true,
       {{u"host\tname", u"user", u"pw", u"from@x"}}},
      {"the last line needs no line end", "a b c d\r\ne f g h", true,
       {{u"a", u"b", u"c", u"d"}, {u"e", u"f", u"g", u"h"}}},
      {"each byte is one character", "h\xE9st u p f\n", true, {{u"h\u00E9st", u"u", u"p", u"f"}}},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MailSettings::Instance() = MailSettings{};
    WriteBytes(folder / u"MailSendInfo.log", c.file);
    LogCapture log(folder);
    EXPECT_EQ(ReadMailSendInfo(folder / u"MailSendInfo.log"), c.read);
    EXPECT_EQ(SendRecords(), c.records);
    EXPECT_EQ(log.Text(), c.read ? "" : "ReadMailSendInfoFailed!\n");
  }
}

TEST(MailSettingsFiles, ReceiverLines) {
  const struct {
    const char* name;
    std::string file;
    std::vector<Fields> records;
  } cases[] = {
      {"three lines are all kept", "a@x,b@x Sender Receiver\r\nc@x S2 R2\r\nd@x S3 R3\r\n",
       {{u"a@x,b@x", u"Sender", u"Receiver"}, {u"c@x", u"S2", u"R2"}, {u"d@x", u"S3", u"R3"}}},
      {"four words", "a@x Norda Crash Reports\n", {{u"a@x Norda", u"Crash", u"Reports"}}},
      {"two words fill the two right fields", "a@x S R\nS2 R2\n",
       {{u"a@x", u"S", u"R"}, {u"a@x", u"S2", u"R2"}}},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MailSettings::Instance() = MailSettings{};
    WriteBytes(folder / u"MailReciver.log", c.file);
    EXPECT_TRUE(ReadMailReciverInfo(folder / u"MailReciver.log"));
    EXPECT_EQ(ReciverRecords(), c.records);
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
  EXPECT_TRUE(ReadMailReciverInfo(folder / u"r.log"));
  EXPECT_EQ(ReciverRecords().size(), 2u);
  EXPECT_TRUE(MailSettings::Instance().sendInfos.empty());
  EXPECT_EQ(log.Text(), "ReadMailReciverInfoFailed!\nReadMailSendInfoFailed!\n");
}

TEST(MailSettingsPick, SenderIsOneWholeRecordAndReceiverTheFirst) {
  ScratchFolder folder;
  MailSettings::Instance() = MailSettings{};
  WriteBytes(folder / u"s.log", "h1 u1 p1 f1\nh2 u2 p2 f2\nh3 u3 p3 f3\n");
  WriteBytes(folder / u"r.log", "t1 s1 r1\nt2 s2 r2\n");
  ASSERT_TRUE(ReadMailSendInfo(folder / u"s.log"));
  ASSERT_TRUE(ReadMailReciverInfo(folder / u"r.log"));
  LogCapture log(folder);
  std::u16string h, u, p, f;
  GetSendInfo(h, u, p, f);
  const std::vector<Fields> records = SendRecords();
  EXPECT_NE(std::find(records.begin(), records.end(), Fields{h, u, p, f}), records.end());
  std::u16string t, s, r;
  GetReciverInfo(t, s, r);
  EXPECT_EQ((Fields{t, s, r}), (Fields{u"t1", u"s1", u"r1"}));
  EXPECT_EQ(log.Text(), "");
}

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
  EXPECT_EQ(log.Text(), "GetSendInfoFailed!\ngetReciverInfoFailed!\n");
}

TEST(MailSettingsDownload, UrlsEndWithTheSettingsPaths) {
  const std::u16string sender = u"/norda+/vozavededavu/CrMailInfo/CrSendInfo.txt";
  const std::u16string receiver = u"/norda+/vozavededavu/CrMailInfo/CrReciverInfo.txt";
  ASSERT_GT(SenderSettingsUrl().size(), sender.size());
  EXPECT_EQ(SenderSettingsUrl().substr(SenderSettingsUrl().size() - sender.size()), sender);
  EXPECT_EQ(ReceiverSettingsUrl().substr(ReceiverSettingsUrl().size() - receiver.size()), receiver);
  EXPECT_EQ(SenderSettingsUrl().substr(0, 7), u"http://");
}

// A URL source that plays a script: which step fails, the body in the
// pieces that each read gives, and after how many connection checks the
// connection is reported lost.
class ScriptedSource : public UrlSource {
 public:
  bool connected = true, root = true, url = true;
  int connectedChecks = 1000;  // checks answered true before the connection is lost
  std::optional<std::uint64_t> contentLength;
  std::vector<std::string> reads;  // each read's bytes
  std::vector<std::size_t> asked;  // the sizes that the reads asked for
  int checks = 0;

  bool Connected() override { return connected && checks++ < connectedChecks; }
  bool OpenRoot() override { return root; }
  bool OpenUrl() override { return url; }
  std::optional<std::uint64_t> ContentLength() override { return contentLength; }
  std::size_t Read(void* buffer, std::size_t size) override {
    asked.push_back(size);
    if (next_ >= reads.size()) return 0;
    const std::string& piece = reads[next_++];
    std::copy(piece.begin(), piece.end(), static_cast<char*>(buffer));
    return piece.size();
  }

 private:
  std::size_t next_ = 0;
};

TEST(MailSettingsDownload, StepsAndTheirTags) {
  struct Case {
    const char* name;
    ScriptedSource source;
    bool result;
    const char* log;
    std::optional<std::string> file;  // the local file afterwards, if any
  };
  const std::string a(32768, 'a'), b = "tail";
  std::vector<Case> cases;
  auto add = [&](const char* name, auto setUp, bool result, const char* log,
                 std::optional<std::string> file) {
    Case c{name, {}, result, log, file};
    setUp(c.source);
    cases.push_back(std::move(c));
  };
  add("offline", [](ScriptedSource& s) { s.connected = false; }, false, "InetConnectFailed!\n",
      std::nullopt);
  add("no root handle", [](ScriptedSource& s) { s.root = false; }, false, "InetOpenFailed!\n",
      std::nullopt);
  add("URL cannot be opened", [](ScriptedSource& s) { s.url = false; }, false,
      "InetOpenUrlFailed!\n", std::nullopt);
  add("whole body in two chunks",
      [&](ScriptedSource& s) { s.contentLength = a.size() + b.size(); s.reads = {a, b}; }, true, "",
      a + b);
  add("no Content-Length: complete when the body ends",
      [&](ScriptedSource& s) { s.reads = {b}; }, true, "", b);
  add("more than Content-Length is complete",
      [&](ScriptedSource& s) { s.contentLength = 2; s.reads = {b}; }, true, "", b);
  add("empty body of length 0", [&](ScriptedSource& s) { s.contentLength = 0; }, true, "",
      std::string());
  add("body shorter than Content-Length",
      [&](ScriptedSource& s) { s.contentLength = 100000; s.reads = {a, b}; }, false,
      "WhileInetReadFileFailed!\n", a + b);
  add("connection lost between chunks",
      [&](ScriptedSource& s) { s.connectedChecks = 2; s.contentLength = 99999; s.reads = {a, a, b}; },
      false, "WhileInetConnectFailed!\n", a);
  add("connection lost before the first read",
      [&](ScriptedSource& s) { s.connectedChecks = 1; s.reads = {a}; }, false,
      "WhileInetConnectFailed!\n", std::string());

  ScratchFolder folder;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string local = folder / u"MailSendInfo.log";
    os::RemoveFile(local);
    LogCapture log(folder);
    EXPECT_EQ(DownloadToFile(c.source, local), c.result);
    EXPECT_EQ(log.Text(), c.log);
    EXPECT_EQ(os::PathExists(local), c.file.has_value());
    if (c.file) {
      EXPECT_TRUE(ReadBytes(local) == *c.file);
    }
    for (std::size_t size : c.source.asked) EXPECT_EQ(size, 32768u);
  }
}

TEST(MailSettingsDownload, ALocalFileThatCannotBeCreated) {
  ScratchFolder folder;
  LogCapture log(folder);
  ScriptedSource source;
  source.reads = {"x"};
  EXPECT_FALSE(DownloadToFile(source, folder / u"no-such-folder\\MailSendInfo.log"));
  EXPECT_EQ(log.Text(), "CreateFileFailed!\n");
  EXPECT_TRUE(source.asked.empty());
}

}  // namespace
}  // namespace norda
