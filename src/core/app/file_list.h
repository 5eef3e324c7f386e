// The report's file list, built from the report description when the dialog opens.
#pragma once

#include <string>

#include "core/app/report_session.h"

namespace norda {

// Fills session.files: the "FilesToAdd" entries in key order, then copies of
// the crash log, the dump, the registry export and the further file.
void BuildFileList(ReportSession& session);

// Lists the file named by one key of "CrashReport Infor" through a copy in the
// temporary folder (or, when that copy fails, the fallback folder).
void AddNamedReportFile(ReportSession& session, const std::u16string& key);

// Where the copy for key and the named file's name lies.
std::u16string NamedReportCopyPath(const ReportSession& session, const std::u16string& key,
                                   const std::u16string& fileName);

}  // namespace norda
