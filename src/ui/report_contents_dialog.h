// "Error Report Contents": the report's files with a check box each, and a
// preview of the file the user double-clicks.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/app/report_session.h"

namespace norda::ui {

// Runs the dialog modally over owner. "Close" writes the check boxes back to
// the files' send flags; Escape and the close box leave them as they were.
void ShowReportContents(HWND owner, std::vector<std::unique_ptr<ReportFile>>& files);

}  // namespace norda::ui
