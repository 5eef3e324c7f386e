// The error report dialog: the program's one main window.
#pragma once

namespace norda::ui {

// Shows the dialog modally until the user sends the report or decides not
// to, then cleans the crash material up.
void RunErrorReportDialog();

}  // namespace norda::ui
