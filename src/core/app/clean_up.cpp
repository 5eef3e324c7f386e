#include "core/app/clean_up.h"

#include "core/app/file_list.h"
#include "core/app/report_description.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "os/files.h"

namespace norda {
namespace {

std::u16string InfoValue(const ReportSession& session, const std::u16string& key) {
  return ReadProfileValue(key, session.descriptionPath, kReportInfoSection);
}

// A read-only, hidden or system file cannot be deleted as it is: make it
// archive-only first, and leave it when even that fails.
void RemoveAsArchiveOnly(const std::u16string& path) {
  if (!os::PathExists(path)) return;
  if (os::FileAttributesOf(path) != os::kAttrArchive &&
      !os::SetFileAttributesTo(path, os::kAttrArchive)) {
    return;
  }
  os::RemoveFile(path);
}

}  // namespace

void RemoveNamedReportCopy(const ReportSession& session, const std::u16string& key) {
  const std::u16string source = InfoValue(session, key);
  if (!os::PathExists(source) || !os::PathExists(session.descriptionPath)) return;
  const std::u16string copy = NamedReportCopyPath(session, key, FileNamePart(source));
  if (!os::PathExists(copy)) return;
  if (os::FileAttributesOf(copy) != os::kAttrArchive) os::SetFileAttributesTo(copy, os::kAttrArchive);
  os::RemoveFile(copy);
}

void CleanUpReport(ReportSession& session) {
  session.files.clear();
  for (const char16_t* key : {u"OPEN", u"INSERT", u"XATTACH", u"IMAGEATTACH", u"WMFIN", u"LOGFile",
                              u"DMPFile", u"REGFile", u"UNDOFile"}) {
    RemoveNamedReportCopy(session, key);
  }
  RemoveAsArchiveOnly(InfoValue(session, u"RECENTOPERATION"));
  for (const char16_t* key : {u"LOGFile", u"DMPFile", u"REGFile", u"UNDOFile"}) {
    const std::u16string path = InfoValue(session, key);
    if (!path.empty()) os::RemoveFile(path);
  }
  RemoveAsArchiveOnly(session.descriptionPath);
  RemoveAsArchiveOnly(session.userTextPath);
}

}  // namespace norda
