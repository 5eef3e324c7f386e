// The recovery list's lines, and the prompt's edge cases. The questions and
// the deletions that follow the answers are the end-to-end scenario
// recovery_questions (tests/e2e/run_e2e.py); any bytes are fuzz/'s.
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
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> fields;  // three per entry
  } cases[] = {
      {"blank lines and leading blanks vanish", Utf16LeBytes(u"A||B&&Y\r\n\r\n   \r\n  C||D&&N\r\n", true),
       {u"A", u"B", u"Y", u"C", u"D", u"N"}},
      {"&& before || gives an empty savedTo", Utf16LeBytes(u"A&&x||B", true), {u"A&&x", u"", u"x||B"}},
      {"&& right after ||", Utf16LeBytes(u"A||&&y", true), {u"A", u"", u"y"}},
      {"lines without a separator are skipped", Utf16LeBytes(u"A||B\r\nC&&D\r\nE||F&&", true), {u"E", u"F", u""}},
      {"only the first separators split", Utf16LeBytes(u"A||B||C&&D&&E", true), {u"A", u"B||C", u"D&&E"}},
      {"a lone LF does not end a line", Utf16LeBytes(u"A||B\nC&&N", true), {u"A", u"B\nC", u"N"}},
      {"the first line keeps its blanks", Utf16LeBytes(u" A ||B &&Y ", true), {u" A ", u"B ", u"Y "}},
      {"the first unit is dropped unseen, an odd byte ignored", "AB" + Utf16LeBytes(u"x||y&&N", false) + "Z",
       {u"x", u"y", u"N"}},
      {"a mark or a byte alone", "\xFF", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> fields;
    for (const RecoveryEntry& e : ParseRecoveryList(c.bytes)) fields.insert(fields.end(), {e.savedFrom, e.savedTo, e.keepFlag});
    EXPECT_EQ(fields, c.fields) << c.name;
  }
}

// Answers from a script and records the questions asked.
class ScriptedAnswers : public RecoveryQuestion {
 public:
  bool WantsSavedDrawing(const std::u16string& savedTo) override {
    asked.push_back(savedTo);
    return false;
  }
  std::vector<std::u16string> asked;
};

TEST(RecoveryPrompt, ListsWithoutEntriesOrWithoutSavedToAskNothingAndDeleteNothing) {
  test::ScratchFolder dir;
#ifndef _WIN32
  // The documents folder follows HOME on Linux: keep the test out of the real one.
  setenv("HOME", Utf16ToUtf8(dir.Path()).c_str(), 1);
#endif
  os::CreateFolder(os::DocumentsFolder());
  for (const std::string& bytes : {std::string(), std::string("\xFF\xFE"), std::string("\xFF\xFE\x41")}) {
    test::WriteBytes(RecoveryListPath(), bytes);
    ScriptedAnswers answers;
    RecoveryPrompt(answers);
    EXPECT_TRUE(answers.asked.empty());
    EXPECT_FALSE(os::PathExists(RecoveryListPath())) << "the list goes in every case";
  }
  ScriptedAnswers none;
  RecoveryPrompt(none);  // no list at all: nothing asked, nothing fails
  EXPECT_TRUE(none.asked.empty());
  const std::u16string drawing = dir / u"a.dwg";
  test::WriteBytes(drawing, "drawing");
  test::WriteBytes(RecoveryListPath(), Utf16LeBytes(drawing + u"&&N||x", true));
  ScriptedAnswers empty;
  RecoveryPrompt(empty);
  EXPECT_EQ(empty.asked, std::vector<std::u16string>{u""});
  EXPECT_TRUE(os::PathExists(drawing));
}

}  // namespace
}  // namespace norda
