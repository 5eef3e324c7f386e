#include "core/app/report_folder.h"

#include "os/folders.h"

namespace norda {

std::u16string ReportFolder() {
  const std::u16string appData = os::AppDataFolder();
  if (appData.empty()) return u"Unkown";
  const std::u16string folder = appData + u"\\CrashReport";
  os::CreateFolder(folder);
  return folder;
}

}  // namespace norda
