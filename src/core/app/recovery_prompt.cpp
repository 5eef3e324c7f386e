#include "core/app/recovery_prompt.h"

#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"

namespace norda {
namespace {

bool SplitRecoveryLine(const std::u16string& line, RecoveryEntry& entry) {
  const size_t bars = line.find(u"||");
  const size_t ands = line.find(u"&&");
  if (bars == std::u16string::npos || ands == std::u16string::npos) return false;
  entry.savedFrom = line.substr(0, bars);
  // An "&&" that starts before the end of the "||" leaves nothing between them.
  entry.savedTo = ands >= bars + 2 ? line.substr(bars + 2, ands - (bars + 2)) : std::u16string();
  entry.keepFlag = line.substr(ands + 2);
  return true;
}

}  // namespace

std::vector<RecoveryEntry> ParseRecoveryList(const std::string& fileBytes) {
  const size_t units = fileBytes.size() / 2;
  std::u16string remaining;
  for (size_t i = 1; i < units; ++i) {
    remaining += static_cast<char16_t>(static_cast<unsigned char>(fileBytes[2 * i]) |
                                       static_cast<unsigned char>(fileBytes[2 * i + 1]) << 8);
  }
  std::vector<RecoveryEntry> entries;
  while (!remaining.empty()) {
    std::u16string line;
    const size_t end = remaining.find(u"\r\n");
    if (end != std::u16string::npos) {
      line = remaining.substr(0, end);
      // Empty lines and the next line's leading blanks vanish here.
      remaining = Trim(std::u16string_view(remaining).substr(end + 2));
    } else {
      line = std::move(remaining);
      remaining.clear();
    }
    RecoveryEntry entry;
    if (SplitRecoveryLine(line, entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

std::u16string RecoveryListPath() { return os::DocumentsFolder() + u"\\TempRecoverInfo.dat"; }

void RecoveryPrompt(RecoveryQuestion& question) {
  const std::u16string listPath = RecoveryListPath();
  std::string bytes;
  if (os::ReadWholeFile(listPath, bytes)) {
    for (const RecoveryEntry& entry : ParseRecoveryList(bytes)) {
      if (question.WantsSavedDrawing(entry.savedTo)) continue;
      os::RemoveFile(EqualsIgnoreCase(entry.keepFlag, u"Y") ? entry.savedFrom : entry.savedTo);
    }
  }
  os::RemoveFile(listPath);
}

}  // namespace norda
