// The per-user folder that holds the report description, the send record book,
// the user text file and the "BugReport" archive folder.
#pragma once

#include <string>

namespace norda {

// The application-data folder + "\CrashReport", created when missing; the
// relative name "Unkown" (spelled so) when the system gives no such folder.
std::u16string ReportFolder();

}  // namespace norda
