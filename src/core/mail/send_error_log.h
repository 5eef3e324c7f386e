// The send-error log "CrSendErr.log": one process-wide text file and one
// process-wide open flag. The delivery pieces write their fixed failure tags
// into it, one per line; a press of "Send Error Report" opens it anew and
// closes it at the end of its pass.
#pragma once

#include <string>
#include <string_view>

#include "os/file.h"

namespace norda {

class SendErrorLog {
 public:
  // The one log of the process; its flag is false at program start.
  static SendErrorLog& Instance();

  // The log's file name in the temporary folder.
  static constexpr char16_t kFileName[] = u"CrSendErr.log";

  // Creates the file anew (an existing one is truncated) and, when it opens,
  // sets the open flag. A failure is silent: the caller goes on without a log.
  bool Open(const std::u16string& path);
  // Closes the file. The flag stays set; nothing is written afterwards.
  void Close();

  bool OpenFlag() const { return openFlag_; }

  // An entry: the tag and a line end.
  void WriteEntry(std::u16string_view tag);
  // An entry: a label (carrying its own spaces), a value and a line end.
  void WriteEntry(std::u16string_view label, std::u16string_view value);
  // Text without a line end.
  void WriteText(std::u16string_view text);

 private:
  SendErrorLog() = default;

  bool openFlag_ = false;
  os::File file_;
};

// Writes a failure tag to the process's send-error log, while its flag is set.
void LogSendError(std::u16string_view tag);

// The folder of the log and of the downloaded settings files: the system's
// temporary folder, trimmed of white space at both ends and cut after its
// last "\" (which is kept).
std::u16string SendTempFolder();

}  // namespace norda
