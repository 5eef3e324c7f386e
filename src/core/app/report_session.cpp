#include "core/app/report_session.h"

#include "core/support/text.h"
#include "os/folders.h"

namespace norda {

// Longest applicationFolder kept, as the session's field allows.
constexpr size_t kMaxApplicationFolder = 519;

std::u16string DefaultApplicationFolder() {
  std::u16string folder = FolderPart(os::ExecutablePath());
  if (folder.size() > kMaxApplicationFolder) folder.clear();
  return folder;
}

ReportSession::ReportSession() : applicationFolder(DefaultApplicationFolder()) {}

}  // namespace norda
