#include "core/app/report_session.h"

#include "core/support/file_size_text.h"
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

bool ListReportFile(ReportSession& session, const std::u16string& path,
                    const std::u16string& description, const std::u16string& type) {
  std::u16string sizeText = FileSizeText(path);
  if (sizeText.empty()) return false;
  auto file = std::make_unique<ReportFile>();
  file->path = path;
  file->description = description;
  file->sizeText = std::move(sizeText);
  file->type = type;
  session.files.push_back(std::move(file));
  return true;
}

}  // namespace norda
