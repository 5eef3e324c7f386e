#include "core/app/send_record_book.h"

#include <vector>

#include "core/app/report_description.h"
#include "core/app/report_packing.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "os/files.h"

namespace norda {
namespace {

std::u16string RecordSubject(const ReportSession& session, const std::u16string& archivePath) {
  std::u16string subject = ReadProfileValue(u"SUBJECT", session.descriptionPath, kReportInfoSection);
  if (subject.empty()) subject = FileTitle(archivePath);
  return CutToUnits(subject, kBuiltTextUnits);
}

void WriteRecord(const ReportSession& session, const std::u16string& section,
                 const std::u16string& fileName, const std::u16string& subject) {
  session.sendRecords.WriteString(section, u"File Name", fileName);
  session.sendRecords.WriteString(section, u"Send or Not", u"NO");
  session.sendRecords.WriteString(section, u"Email Subject", subject);
}

// The first base + i + extension (i = 0, 1, ...) where no file exists; empty
// when such a name would not fit its buffer.
std::u16string NumberedArchivePath(const std::u16string& path) {
  const size_t dot = path.rfind(u'.');
  const std::u16string base = dot == std::u16string::npos ? path : path.substr(0, dot);
  const std::u16string extension = dot == std::u16string::npos ? u"" : path.substr(dot);
  for (std::uint64_t i = 0;; ++i) {
    const std::u16string candidate = base + DecimalText(i) + extension;
    if (candidate.size() > kBuiltTextUnits) return {};
    if (!os::PathExists(candidate)) return candidate;
  }
}

}  // namespace

std::u16string FreeRecordSection(const IniFile& book, std::uint64_t first, SectionMatch match) {
  std::vector<std::u16string> names;
  book.GetSectionNames(names);
  for (std::uint64_t n = first;; ++n) {
    const std::u16string candidate = u"Record" + DecimalText(n);
    bool taken = false;
    for (const std::u16string& name : names) {
      taken = match == SectionMatch::Exact ? name == candidate : EqualsIgnoreCase(name, candidate);
      if (taken) break;
    }
    if (!taken) return candidate;
  }
}

bool AddSendRecord(ReportSession& session, const std::u16string& archivePath, bool wantSection,
                   std::u16string& outSection) {
  if (!os::PathExists(archivePath)) {
    const std::u16string section = FreeRecordSection(session.sendRecords, 1, SectionMatch::IgnoringCase);
    if (wantSection) outSection = section;
    WriteRecord(session, section, archivePath, RecordSubject(session, archivePath));
    return true;
  }
  const std::u16string candidate = NumberedArchivePath(archivePath);
  if (candidate.empty()) {
    session.archivePath.clear();
    return false;
  }
  const std::u16string section = FreeRecordSection(session.sendRecords, 1, SectionMatch::IgnoringCase);
  if (wantSection) outSection = section;
  // The subject's fallback is the title of the name the report was meant to have.
  WriteRecord(session, section, candidate, RecordSubject(session, archivePath));
  session.archivePath = candidate;
  return false;
}

int RecordAndPack(ReportSession& session, bool wantSection, std::u16string& outSection) {
  AddSendRecord(session, session.archivePath, wantSection, outSection);
  return PackReportFiles(session.files, session.archivePath, session.fileStatusText);
}

void RecordUnsentReport(ReportSession& session, const std::u16string& extraFile,
                        std::u16string& outSection) {
  std::u16string section;
  AddSendRecord(session, session.archivePath, true, section);
  if (os::PathExists(extraFile)) ListReportFile(session, extraFile, u"Crash Log", u"Text Document");
  PackReportFiles(session.files, session.archivePath, session.fileStatusText);
  if (section.empty()) return;  // the numbered name was refused: no record to rewrite
  session.sendRecords.WriteString(section, u"File Name", session.archivePath);
  session.sendRecords.WriteString(section, u"Email Subject", FileTitle(session.archivePath));
  session.sendRecords.WriteString(section, u"Send or Not", u"NO");
  outSection = section;
}

}  // namespace norda
