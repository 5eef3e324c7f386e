#include "core/mail/send_error_log.h"

#include "core/support/text.h"
#include "os/code_page.h"
#include "os/folders.h"

namespace norda {

SendErrorLog& SendErrorLog::Instance() {
  static SendErrorLog log;
  return log;
}

bool SendErrorLog::Open(const std::u16string& path) {
  file_ = os::File::CreateForWriting(path);
  if (!file_.IsOpen()) return false;
  openFlag_ = true;
  return true;
}

void SendErrorLog::Close() { file_.Close(); }

void SendErrorLog::WriteText(std::u16string_view text) {
  if (!openFlag_ || !file_.IsOpen()) return;
  // The log is a text file: its characters are those of the thread's ANSI
  // code page, and every "\n" ends a line with CR LF.
  const std::string bytes = os::FromUtf16(text, os::ThreadAnsiCodePage());
  std::string lines;
  lines.reserve(bytes.size() + 8);
  for (char c : bytes) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  file_.Write(lines.data(), lines.size());
}

void SendErrorLog::WriteEntry(std::u16string_view tag) {
  std::u16string line(tag);
  line += u'\n';
  WriteText(line);
}

void SendErrorLog::WriteEntry(std::u16string_view label, std::u16string_view value) {
  std::u16string line(label);
  line += value;
  line += u'\n';
  WriteText(line);
}

void LogSendError(std::u16string_view tag) { SendErrorLog::Instance().WriteEntry(tag); }

std::u16string SendTempFolder() { return FolderPart(Trim(os::TempFolder())); }

}  // namespace norda
