#include "core/app/user_text.h"

#include "core/app/report_description.h"
#include "core/app/report_folder.h"
#include "core/support/ini_file.h"
#include "os/files.h"

namespace norda {

std::u16string UserTextPath(const ReportSession& session) {
  const std::u16string subject =
      ReadProfileValue(u"SUBJECT", session.descriptionPath, kReportInfoSection);
  return ReportFolder() + u"\\" + subject + u"User.txt";
}

std::optional<std::u16string> WriteUserText(ReportSession& session, const std::u16string& text) {
  const std::u16string path = UserTextPath(session);
  if (os::PathExists(path)) os::RemoveFile(path);
  std::string bytes;
  bytes.reserve(text.size() * 2 + 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  bytes.append(2, '\0');
  if (!os::WriteWholeFile(path, bytes)) return std::nullopt;
  session.userTextPath = path;
  return path;
}

}  // namespace norda
