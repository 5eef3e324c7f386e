#include "core/app/file_list.h"

#include <vector>

#include "core/app/report_description.h"
#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"

namespace norda {
namespace {

constexpr unsigned kLastListedFile = 999;

// Tokens of a "FilesToAdd" value: commas, CR and LF separate, and a run of
// separators counts as one, so no token is empty.
std::vector<std::u16string> SplitListedValue(const std::u16string& value) {
  std::vector<std::u16string> tokens;
  std::u16string token;
  for (char16_t c : value) {
    if (c == u',' || c == u'\r' || c == u'\n') {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) tokens.push_back(std::move(token));
  return tokens;
}

}  // namespace

void BuildFileList(ReportSession& session) {
  if (!os::PathExists(session.descriptionPath)) return;
  for (unsigned n = 1; n <= kLastListedFile; ++n) {
    const std::u16string value = ReadDescriptionValue(
        session.descriptionPath, kFilesToAddSection, u"File" + DecimalText3(n), kListedValueBufferUnits);
    if (value.empty()) break;
    const std::vector<std::u16string> tokens = SplitListedValue(value);
    if (tokens.size() < 3) break;
    const std::u16string path = HasFolder(tokens[0]) ? tokens[0] : session.applicationFolder + tokens[0];
    ListReportFile(session, path, tokens[1], tokens[2]);  // a file that cannot be sized is skipped
  }
  for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"OPEN"}) {
    AddNamedReportFile(session, key);
  }
}

std::u16string NamedReportCopyPath(const ReportSession& session, const std::u16string& key,
                                   const std::u16string& fileName) {
  const std::u16string folder =
      session.copyFallbackUsed ? os::CopyFallbackFolder() : os::TempFolder();
  return folder + key + u"_" + fileName;
}

void AddNamedReportFile(ReportSession& session, const std::u16string& key) {
  const std::u16string source = ReadDescriptionValue(session.descriptionPath, kReportInfoSection,
                                                     key, kListedValueBufferUnits);
  if (!os::PathExists(source) || !os::PathExists(session.descriptionPath)) return;
  const std::u16string name = FileNamePart(source);
  std::u16string copy = os::TempFolder() + key + u"_" + name;
  if (!os::CopyFileReplacing(source, copy)) {
    // The temporary folder refused the copy: one more try at the fallback
    // place, and from now on every copy of the session is looked for there.
    copy = os::CopyFallbackFolder() + key + u"_" + name;
    os::CopyFileReplacing(source, copy);
    session.copyFallbackUsed = true;
  }
  if (!os::SetFileAttributesTo(copy, os::kAttrArchive) || !os::PathExists(copy)) return;
  ListReportFile(session, copy, key, ExtensionWithoutDot(source));
}

}  // namespace norda
