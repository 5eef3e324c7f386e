// The recovery list: parsing its lines, and the deletions that follow the answers.
#include "core/app/recovery_prompt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda {
namespace {

using test::Utf16LeBytes;

TEST(RecoveryList, SplitsLinesAndFields) {
  struct Case {
    const char* name;
    std::u16string text;  // after the byte-order mark
    std::vector<RecoveryEntry> entries;
  } cases[] = {
      {"two lines", u"A||B&&Y\r\nC||D&&N",
       {{u"A", u"B", u"Y"}, {u"C", u"D", u"N"}}},
      {"blank lines and leading blanks vanish", u"A||B&&Y\r\n\r\n   \r\n  C||D&&N\r\n",
       {{u"A", u"B", u"Y"}, {u"C", u"D", u"N"}}},
      {"&& before || gives an empty savedTo", u"A&&x||B", {{u"A&&x", u"", u"x||B"}}},
      {"&& right after ||", u"A||&&y", {{u"A", u"", u"y"}}},
      {"lines without a separator are skipped", u"A||B\r\nC&&D\r\nE||F&&",
       {{u"E", u"F", u""}}},
      {"only the first separators split", u"A||B||C&&D&&E", {{u"A", u"B||C", u"D&&E"}}},
      {"a lone LF does not end a line", u"A||B\nC&&N", {{u"A", u"B\nC", u"N"}}},
      {"the first line keeps its blanks", u" A ||B &&Y ", {{u" A ", u"B ", u"Y "}}},
      {"empty", u"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto entries = ParseRecoveryList(Utf16LeBytes(c.text, true));
    ASSERT_EQ(entries.size(), c.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].savedFrom, c.entries[i].savedFrom);
      EXPECT_EQ(entries[i].savedTo, c.entries[i].savedTo);
      EXPECT_EQ(entries[i].keepFlag, c.entries[i].keepFlag);
    }
  }
}

TEST(RecoveryList, FirstUnitIsDroppedUnseenAndOddByteIgnored) {
  // Whatever the first unit holds, it is not text.
  std::string bytes = std::string("AB", 2) + Utf16LeBytes(u"x||y&&N", false) + "Z";
  const auto entries = ParseRecoveryList(bytes);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].keepFlag, u"N");
  EXPECT_TRUE(ParseRecoveryList("").empty());
  EXPECT_TRUE(ParseRecoveryList("\xFF\xFE").empty());
  EXPECT_TRUE(ParseRecoveryList("\xFF").empty());
}

// Answers from a script and records the questions asked.
class ScriptedAnswers : public RecoveryQuestion {
 public:
  explicit ScriptedAnswers(std::vector<bool> answers) : answers_(std::move(answers)) {}
  bool WantsSavedDrawing(const std::u16string& savedTo) override {
    asked.push_back(savedTo);
    return asked.size() <= answers_.size() && answers_[asked.size() - 1];
  }
  std::vector<std::u16string> asked;

 private:
  std::vector<bool> answers_;
};

class RecoveryPromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    // The documents folder follows HOME on Linux: keep the test out of the real one.
    setenv("HOME", Utf16ToUtf8(dir.Path()).c_str(), 1);
#endif
    os::CreateFolder(os::DocumentsFolder());
    ASSERT_TRUE(os::FolderExists(os::DocumentsFolder()));
  }
  void TearDown() override { os::RemoveFile(RecoveryListPath()); }

  std::u16string File(const std::u16string& name) {
    const std::u16string path = dir / name;
    test::WriteBytes(path, "drawing");
    return path;
  }

  test::ScratchFolder dir;
};

TEST_F(RecoveryPromptTest, DeletesByFlagWhenDeclinedAndNothingWhenWanted) {
  const auto a1 = File(u"a1.dwg"), b1 = File(u"b1.dwg");
  const auto a2 = File(u"a2.dwg"), b2 = File(u"b2.dwg");
  const auto a3 = File(u"a3.dwg"), b3 = File(u"b3.dwg");
  const auto a4 = File(u"a4.dwg"), b4 = File(u"b4.dwg");
  const std::u16string list = a1 + u"||" + b1 + u"&&Y\r\n" + a2 + u"||" + b2 + u"&&y\r\n\r\n" +
                              a3 + u"||" + b3 + u"&&N\r\n" + a4 + u"||" + b4 + u"&&Y";
  test::WriteBytes(RecoveryListPath(), Utf16LeBytes(list, true));
  ScriptedAnswers answers({false, false, false, true});
  RecoveryPrompt(answers);
  EXPECT_EQ(answers.asked, (std::vector<std::u16string>{b1, b2, b3, b4}));
  EXPECT_FALSE(os::PathExists(a1));
  EXPECT_TRUE(os::PathExists(b1));
  EXPECT_FALSE(os::PathExists(a2));
  EXPECT_TRUE(os::PathExists(b2));
  EXPECT_TRUE(os::PathExists(a3));
  EXPECT_FALSE(os::PathExists(b3));
  EXPECT_TRUE(os::PathExists(a4));
  EXPECT_TRUE(os::PathExists(b4));
  EXPECT_FALSE(os::PathExists(RecoveryListPath()));
}

TEST_F(RecoveryPromptTest, ListIsDeletedInEveryCase) {
  for (const std::string& bytes : {std::string(), std::string("\xFF\xFE"), std::string("\xFF\xFE\x41")}) {
    test::WriteBytes(RecoveryListPath(), bytes);
    ScriptedAnswers answers({});
    RecoveryPrompt(answers);
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_FALSE(os::PathExists(RecoveryListPath()));
  }
  ScriptedAnswers none({});
  RecoveryPrompt(none);  // no list at all: nothing asked, nothing fails
  EXPECT_TRUE(none.asked.empty());
}

TEST_F(RecoveryPromptTest, EmptySavedToAsksWithNothingAndDeletesNothing) {
  const auto a = File(u"a.dwg");
  test::WriteBytes(RecoveryListPath(), Utf16LeBytes(a + u"&&N||x", true));
  ScriptedAnswers answers({false});
  RecoveryPrompt(answers);
  EXPECT_EQ(answers.asked, (std::vector<std::u16string>{u""}));
  EXPECT_TRUE(os::PathExists(a));
}

}  // namespace
}  // namespace norda
