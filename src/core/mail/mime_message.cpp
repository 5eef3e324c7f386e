#include "core/mail/mime_message.h"

#include "build_settings.h"
#include "core/mail/base64.h"
#include "os/code_page.h"
#include "os/file.h"

namespace norda {
namespace {

constexpr char kBoundary[] = NORDA_MIME_BOUNDARY;

std::string DelimiterLine() { return std::string("--") + kBoundary + "\r\n"; }

// The attachment's name in its part header: after the path's last "\" (or
// "/", which the system takes alike), in the thread's code page.
std::string AttachmentName(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return os::FromUtf16(slash == std::u16string::npos ? path : path.substr(slash + 1), os::ThreadAnsiCodePage());
}

}  // namespace

std::string MimeHeaderBlock(const MailContent& mail) {
  std::string block = "From:" + mail.senderName + "<" + mail.senderAddress + ">\r\n";
  for (const std::string& receiver : mail.receivers) block += "To:<" + receiver + ">\r\n";
  block += "Subject:" + mail.subject + "\r\n";
  block += "MIME_Version:1.0\r\n";
  block += std::string("X-Mailer:") + kMailerText + "\r\n";
  block += "MIME_Version:1.0\r\n";
  block += std::string("Content-type:multipart/mixed;Boundary=") + kBoundary + "\r\n\r\n";
  return block;
}

std::string MimeTextPart(const std::string& body, bool html) {
  std::string part = DelimiterLine();
  // The character set is declared as gb2312 whatever the body's code page is.
  part += html ? "Content-type:text/html;Charset=gb2312\r\n"
               : "Content-type:text/plain;Charset=gb2312\r\n";
  part += "Content-Transfer-Encoding:8bit\r\n\r\n";
  part += body;
  part += "\r\n\r\n";
  return part;
}

std::string MimeAttachmentHeader(const std::u16string& path) {
  const std::string name = AttachmentName(path);
  std::string header = DelimiterLine();
  header += "Content-Type:application/octet-stream;Name=" + name + "\r\n";
  header += "Content-Disposition:attachment;FileName=" + name + "\r\n";
  header += "Content-Transfer-Encoding:Base64\r\n\r\n";
  return header;
}

std::string MimeClosingPiece() { return std::string("--") + kBoundary + "--\r\n.\r\n"; }

bool PutAttachmentContent(const std::u16string& path, PieceSink& sink) {
  // Opened as a C runtime "rb" open would: others may read and write meanwhile.
  // Through the full path: the code page may lack letters of its folders.
  os::File file = os::File::OpenForReading(path,
                                           os::Share::ReadWrite);
  if (!file.IsOpen()) return true;
  // One chunk buffer and one text buffer serve the whole file.
  unsigned char chunk[kAttachmentChunkBytes + 1];
  std::string piece;
  for (;;) {
    // A full chunk takes as many reads as the system needs; a short one ends the file.
    std::size_t got = 0;
    while (got < kAttachmentChunkBytes) {
      const auto n = file.Read(chunk + got, kAttachmentChunkBytes - got);
      if (!n || *n == 0) break;
      got += *n;
    }
    if (got == kAttachmentChunkBytes) {
      Base64EncodeTo(chunk, got, piece);
      if (!sink.Put(piece)) return false;
      continue;
    }
    if (got > 0) {
      Base64EncodeTo(chunk, got, piece);
      piece += "\r\n\r\n";
      if (!sink.Put(piece)) return false;
    }
    return true;
  }
}

bool PutMessageBeforeClosing(const MailContent& mail, PieceSink& sink) {
  if (!sink.Put(MimeHeaderBlock(mail))) return false;
  if (!sink.Put(MimeTextPart(mail.body, mail.html))) return false;
  for (const std::u16string& path : mail.attachments) {
    if (!sink.Put(MimeAttachmentHeader(path))) return false;
    if (!PutAttachmentContent(path, sink)) return false;
  }
  return true;
}

bool PutMessage(const MailContent& mail, PieceSink& sink) {
  return PutMessageBeforeClosing(mail, sink) && sink.Put(MimeClosingPiece());
}

}  // namespace norda
