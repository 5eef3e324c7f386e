// Removing the crash material once the error report dialog has ended.
#pragma once

#include <string>

#include "core/app/report_session.h"

namespace norda {

// Removes the temporary copy made for one key of "CrashReport Infor".
void RemoveNamedReportCopy(const ReportSession& session, const std::u16string& key);

// Frees the file list, removes the copies, the crash files, the report
// description and the user text file. The archives and the record book stay.
void CleanUpReport(ReportSession& session);

}  // namespace norda
