// The send record book "SendRecord.ini": one "Record<n>" section per report
// closed out, sent or not. Archives are never overwritten: a taken archive
// path moves the report to a numbered name (CrashReport0.zip, ...).
#pragma once

#include <cstdint>
#include <string>

#include "core/app/report_session.h"

namespace norda {

// The book's name in the report folder.
constexpr char16_t kSendRecordFileName[] = u"SendRecord.ini";

// How a "Record<n>" name is held against the names of the book's sections.
enum class SectionMatch { Exact, IgnoringCase };

// The first "Record<n>", n = first, first + 1, ..., that no section of the
// book carries. The two searches of a report differ on purpose, and must
// stay so: a new record (AddSendRecord) counts from 1 and ignores case, the
// send flow's final record counts from 0 and matches exactly.
std::u16string FreeRecordSection(const IniFile& book, std::uint64_t first, SectionMatch match);

// Writes one new record for the archive path. True when the path was free;
// false when it was taken and session.archivePath moved to the first free
// numbered name. When wantSection is set, the new section's name goes to
// outSection. A numbered name longer than 511 units is refused: no record is
// written and session.archivePath becomes empty, so that nothing is packed
// over the archive already there.
bool AddSendRecord(ReportSession& session, const std::u16string& archivePath, bool wantSection,
                   std::u16string& outSection);

// A record for the session's archive, then the archive packed; returns the
// number of files packed.
int RecordAndPack(ReportSession& session, bool wantSection, std::u16string& outSection);

// When a mail could not go out and the user had typed a description: adds the
// instruction file extraFile to the report, packs it under the next numbered
// name and records it as not sent; the record's section goes to outSection.
void RecordUnsentReport(ReportSession& session, const std::u16string& extraFile,
                        std::u16string& outSection);

}  // namespace norda
