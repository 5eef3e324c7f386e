// The report mail as a multipart/mixed message (RFC 2045, 2046): a header
// block, one text part and one Base64 part per attachment, produced piece by
// piece so that an attachment is never held whole in memory. All texts are
// 8-bit, already in the thread's ANSI code page; the layout is fixed, with no
// folding, quoting or encoded words.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace norda {

struct MailContent {
  std::string senderAddress;
  std::vector<std::string> receivers;
  std::string senderName;
  std::string subject;
  std::string body;
  std::vector<std::u16string> attachments;  // full paths; named in the thread's code page
  bool html = false;
};

// The name that the mail gives itself in its X-Mailer header.
constexpr char kMailerText[] = "Smtp Client By norda kestrelwin";

// Attachments are read and encoded in chunks of this many bytes: 200 lines of
// 57 bytes, so the chunks' Base64 texts joined are the whole file's text.
constexpr std::size_t kAttachmentChunkBytes = 11400;

// Takes the message's pieces in order; false stops the message.
class PieceSink {
 public:
  virtual ~PieceSink() = default;
  virtual bool Put(std::string_view piece) = 0;
};

std::string MimeHeaderBlock(const MailContent& mail);
std::string MimeTextPart(const std::string& body, bool html);
std::string MimeAttachmentHeader(const std::u16string& path);
// The closing delimiter and the line "." that ends the SMTP data.
std::string MimeClosingPiece();

// The Base64 pieces of one attachment: one per full chunk, and the last
// shorter chunk followed by an empty line. A file that cannot be opened gives
// no piece. False when the sink refused a piece.
bool PutAttachmentContent(const std::u16string& path, PieceSink& sink);

// Everything before the closing piece: header block, text part, and each
// attachment's header and content. False when the sink refused a piece (no
// later piece is produced).
bool PutMessageBeforeClosing(const MailContent& mail, PieceSink& sink);

// The whole message, closing piece included.
bool PutMessage(const MailContent& mail, PieceSink& sink);

}  // namespace norda
