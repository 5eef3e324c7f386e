// The recovery list "TempRecoverInfo.dat" on any bytes: it is written by the
// CAD application as it goes down, so it may be cut short anywhere. Checks:
// each entry put back together is a line of the list, in order, no more
// entries than lines; a list of clean entries reads back as those entries, the
// first with its blanks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/app/recovery_prompt.h"
#include "core/support/text.h"
#include "support/check.h"
#include "support/test_files.h"

namespace {

using fuzz::Check;
using norda::RecoveryEntry;

std::u16string Units(const std::string& bytes) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return text;
}

void CheckAgainstText(const std::vector<RecoveryEntry>& entries, const std::u16string& text) {
  std::size_t lines = 1;
  for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at + 2)) {
    ++lines;
  }
  Check(entries.size() <= lines, "more entries than lines");
  std::size_t from = 0;
  for (const RecoveryEntry& e : entries) {
    Check(e.savedFrom.find(u"||") == std::u16string::npos, "savedFrom holds the first ||");
    Check(e.savedTo.find(u"&&") == std::u16string::npos, "savedTo holds an &&");
    std::u16string line;
    if (e.savedFrom.find(u"&&") == std::u16string::npos) {
      line = e.savedFrom + u"||" + e.savedTo + u"&&" + e.keepFlag;
    } else {
      // "&&" before "||": savedTo is empty and the flag runs on from the "&&".
      Check(e.savedTo.empty(), "savedTo is not empty though && comes before ||");
      line = e.savedFrom.substr(0, e.savedFrom.find(u"&&") + 2) + e.keepFlag;
    }
    Check(line.find(u"\r\n") == std::u16string::npos, "an entry spans a line end");
    const std::size_t at = text.find(line, from);
    Check(at != std::u16string::npos, "an entry is not a line of the list, in order");
    from = at + line.size();
  }
}

// Fields that cannot split or end a line, nor lose blanks to the trimming
// between lines.
std::u16string Clean(const std::u16string& field, bool trim) {
  std::u16string out;
  for (char16_t c : field) {
    if (c == u'|' || c == u'&' || c == u'\r' || c == u'\n') continue;
    out += c;
  }
  return trim ? norda::Trim(out) : out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<RecoveryEntry> entries = norda::ParseRecoveryList(bytes);
  CheckAgainstText(entries, Units(bytes));

  std::vector<RecoveryEntry> clean;
  std::u16string list;
  const char16_t* gaps[] = {u"\r\n", u"\r\n\r\n", u"\r\n \t", u"\r\n\r\n  \r\n"};
  for (const RecoveryEntry& e : entries) {
    const bool trim = !clean.empty();  // only the first line keeps its blanks
    RecoveryEntry c{Clean(e.savedFrom, trim), Clean(e.savedTo, false), Clean(e.keepFlag, trim)};
    if (!clean.empty()) list += gaps[clean.size() % 4];
    list += c.savedFrom + u"||" + c.savedTo + u"&&" + c.keepFlag;
    clean.push_back(std::move(c));
  }
  const std::vector<RecoveryEntry> again = norda::ParseRecoveryList(norda::test::Utf16LeBytes(list, true));
  Check(again.size() == clean.size(), "a clean list reads back with another count");
  for (std::size_t i = 0; i < clean.size(); ++i) {
    Check(again[i].savedFrom == clean[i].savedFrom && again[i].savedTo == clean[i].savedTo &&
              again[i].keepFlag == clean[i].keepFlag,
          "a clean entry reads back changed");
  }
  return 0;
}
