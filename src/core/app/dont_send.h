// "Don't Send": the report is kept, not mailed.
#pragma once

#include <string>

#include "core/app/report_session.h"

namespace norda {

enum class DontSendOutcome {
  Ended,           // recorded and packed (or nothing to keep): end the dialog
  UserTextFailed,  // the description could not be saved: nothing was done, the dialog stays
};

// Saves the description (when there is one) as the user text file and adds it
// to the report, records the report as not sent and packs it.
DontSendOutcome DontSend(ReportSession& session, const std::u16string& description);

}  // namespace norda
