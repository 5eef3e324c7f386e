// The user text file: the description the user typed (or the instructions for
// sending a report by hand), kept with the report.
#pragma once

#include <optional>
#include <string>

#include "core/app/report_session.h"

namespace norda {

// ReportFolder + "\" + subject + "User.txt" ("User.txt" without a subject).
std::u16string UserTextPath(const ReportSession& session);

// Writes text into ReportFolder + "\" + subject + "User.txt" ("User.txt"
// without a subject) as UTF-16LE without a byte-order mark, followed by one
// zero unit, replacing an older file. Sets session.userTextPath and returns
// the path; nothing when the file cannot be written.
std::optional<std::u16string> WriteUserText(ReportSession& session, const std::u16string& text);

}  // namespace norda
