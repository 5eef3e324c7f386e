// Packing the report: where its archive lies, and writing the archive from
// the files that the user left selected.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/app/report_session.h"

namespace norda {

// The archive's full path: ReportFolder + "\BugReport\" + the file title of
// the crash log named by "LOGFile" + ".zip", or "CrashReport.zip" when there
// is none. Creates the "BugReport" folder. A title longer than 511 units is
// cut to 511.
std::u16string ReportArchivePath();

// Writes the archive at archivePath from the files whose send flag is set and
// that exist, and appends one "Send_" or "NotSend_" line per existing file to
// fileStatusText. The archive is created at the first file to pack, so when
// there is none an older archive at that path stays untouched. Returns the
// number of files packed.
int PackReportFiles(const std::vector<std::unique_ptr<ReportFile>>& files,
                    const std::u16string& archivePath, std::u16string& fileStatusText);

}  // namespace norda
