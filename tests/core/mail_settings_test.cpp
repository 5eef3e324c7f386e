// The mail settings: how a settings file's lines become records, how one is
// picked, and the download's failure tags (with a scripted URL source; the
// real HTTP peers are in tests/mail/delivery_peer_cases.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/mail/mail_settings.h"
#include "core/mail/settings_download.h"
#include "mail/log_capture.h"
#include "os/files.h"
#include "support/mail_records.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::LogCapture;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

using test::Fields;
using test::ReciverRecords;
using test::SendRecords;

// How a line's words fill a record; that every line gives one record, that
// bytes stay bytes and fields lose their blanks is checked on any file by
// fuzz/mail_settings_fuzz.cpp.
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
      {"a blank line in between repeats the previous record", true, "a b c d\n\ne f g h\n",
       {{u"a", u"b", u"c", u"d"}, {u"a", u"b", u"c", u"d"}, {u"e", u"f", u"g", u"h"}}},
      {"only the space separates; tabs inside a field stay, around it they go", true,
       "\thost\tname user\t pw\t from@x \t\n", {{u"host\tname", u"user", u"pw", u"from@x"}}},
      {"receivers: four words", false, "a@x Norda Crash Reports\n", {{u"a@x Norda", u"Crash", u"Reports"}}},
      {"receivers: two words fill the two right fields", false, "a@x S R\nS2 R2\n",
       {{u"a@x", u"S", u"R"}, {u"a@x", u"S2", u"R2"}}},
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
    EXPECT_EQ(log.Text(), "");
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
  EXPECT_EQ(log.Text(), "ReadMailReciverInfoFailed!\nReadMailSendInfoFailed!\nReadMailSendInfoFailed!\n");
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
  EXPECT_EQ(log.Text(), "GetSendInfoFailed!\ngetReciverInfoFailed!\n");
}

// A URL source that plays a script: which step fails, the body in the
// pieces that each read gives, and after how many connection checks the
// connection is reported lost. A URL that cannot be opened, bodies in
// chunks and bodies shorter than their length come from a real HTTP server
// in tests/mail/delivery_peer_cases.cpp.
class ScriptedSource : public UrlSource {
 public:
  bool connected = true, root = true;
  int connectedChecks = 1000;  // checks answered true before the connection is lost
  std::optional<std::uint64_t> contentLength;
  std::vector<std::string> reads;  // each read's bytes
  std::vector<std::size_t> asked;  // the sizes that the reads asked for
  int checks = 0;

  bool Connected() override { return connected && checks++ < connectedChecks; }
  bool OpenRoot() override { return root; }
  bool OpenUrl() override { return true; }
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
  add("more than Content-Length is complete",
      [&](ScriptedSource& s) { s.contentLength = 2; s.reads = {b}; }, true, "", b);
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
