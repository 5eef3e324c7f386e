#include "core/app/report_packing.h"

#include "core/app/report_description.h"
#include "core/app/report_folder.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "os/files.h"
#include "os/folders.h"

namespace norda {
namespace {

// The entry name: the part after the last separator, or the whole path when
// it has none or only a leading one.
std::u16string EntryName(const std::u16string& path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  if (slash == std::u16string::npos || slash == 0) return path;
  return path.substr(slash + 1);
}

}  // namespace

std::u16string ReportArchivePath() {
  const std::u16string base = ReportFolder();
  const std::u16string logFile =
      ReadProfileValue(u"LOGFile", base + u"\\" + kDescriptionFileName, kReportInfoSection);
  if (!logFile.empty()) {
    const std::u16string folder = base + u"\\BugReport";
    os::CreateFolder(folder);
    return folder + u"\\" + CutToUnits(FileTitle(logFile), kBuiltTextUnits) + u".zip";
  }
  const std::u16string folder = base + u"\\BugReport\\";
  os::CreateFolder(folder);
  return folder + u"CrashReport.zip";
}

int PackReportFiles(const std::vector<std::unique_ptr<ReportFile>>& files,
                    const std::u16string& archivePath, std::u16string& fileStatusText) {
  int count = 0;
  zip::ZipHandle* archive = nullptr;
  for (const auto& file : files) {
    if (!file || !os::PathExists(file->path)) continue;
    if (!file->sendFlag) {
      fileStatusText += u"NotSend_" + FileNamePart(file->path) + u"\r\n ";
      continue;
    }
    fileStatusText += u"Send_" + FileNamePart(file->path) + u"\r\n ";
    if (!archive) {
      archive = zip::ZipCreate(archivePath.c_str(), 0, zip::TargetKind::FileName);
      if (!archive) return 0;
    }
    const std::u16string name = EntryName(file->path);
    if (zip::ZipAddEntry(archive, name.c_str(), file->path.c_str(), 0, zip::SourceKind::FileName) ==
        zip::ZipResult::Ok) {
      ++count;
    }
  }
  if (archive) zip::ZipClose(archive);
  return count;
}

}  // namespace norda
