// The report being handled: one per run, owned by the error report dialog.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/support/ini_file.h"

namespace norda {

// Texts built for a report (the archive's title, a numbered archive path, a
// record's subject) are held in buffers of 512 units, terminator included.
constexpr std::size_t kBuiltTextUnits = 511;

// One file of the report's list: shown by the contents viewer, packed and sent
// when its send flag is set.
struct ReportFile {
  std::u16string path;
  std::u16string description;
  std::u16string sizeText;  // FileSizeText when the file was listed
  std::u16string type;
  int sendFlag = 1;  // 1 = send, 0 = do not send
};

struct ReportSession {
  ReportSession();

  IniFile sendRecords;             // bound to sendRecordPath
  bool copyFallbackUsed = false;   // a crash file copy had to go to the fallback folder
  std::u16string descriptionPath;  // "CrashReport.ini"
  std::u16string crashLogText;
  int packedCount = 0;
  std::u16string applicationFolder;  // the CAD application's folder, ending with "\"
  std::u16string sendRecordPath;     // "SendRecord.ini"
  std::vector<std::unique_ptr<ReportFile>> files;
  std::vector<std::u16string> attachments;  // paths of the mail's attachments
  std::u16string fileStatusText;         // "Send_" / "NotSend_" lines
  std::u16string archivePath;
  std::u16string userTextPath;
};

// The CAD application is installed beside this program: its folder is ours.
std::u16string DefaultApplicationFolder();

// Lists a file at the end of session.files, sized now, to be sent. False, and
// nothing listed, when its size cannot be had (missing, empty or locked).
bool ListReportFile(ReportSession& session, const std::u16string& path,
                    const std::u16string& description, const std::u16string& type);

}  // namespace norda
