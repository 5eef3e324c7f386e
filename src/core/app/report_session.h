// The report being handled: one per run, owned by the error report dialog.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/support/ini_file.h"

namespace norda {

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
  std::vector<std::string> attachments;  // 8-bit paths of the mail's attachments
  std::u16string fileStatusText;         // "Send_" / "NotSend_" lines
  std::u16string archivePath;
  std::u16string userTextPath;
};

// The CAD application is installed beside this program: its folder is ours.
std::u16string DefaultApplicationFolder();

}  // namespace norda
