#include "core/mail/smtp_client.h"

#include <cstring>

#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/mail/send_error_log.h"

namespace norda {
namespace {

// One receive of a reply: the buffer of the reply that one call judges.
constexpr std::size_t kReplyBytes = 1024;
constexpr std::size_t kReplyCodeChars = 3;
// A whole reply longer than this is no server's EHLO list: the step fails.
constexpr std::size_t kWholeReplyBytes = 64 * 1024;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A line of the message that begins with "." gets a second one, so that the
// server cannot take it for the end of the data (RFC 5321 4.5.2); the server
// removes it again. Base64 never begins a line with ".", so only a body line
// can need it. Every piece of the message starts at the beginning of a line.
std::string_view DotStuffed(std::string_view piece, std::string& scratch) {
  const bool needed =
      (!piece.empty() && piece[0] == '.') || piece.find("\r\n.") != std::string_view::npos;
  if (!needed) return piece;
  scratch.clear();
  scratch.reserve(piece.size() + 16);
  bool lineStart = true;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    if (lineStart && piece[i] == '.') scratch += '.';
    scratch += piece[i];
    lineStart = piece[i] == '\n' && i > 0 && piece[i - 1] == '\r';
  }
  return scratch;
}

// Whether text holds the last line of a reply: a whole line whose code is
// not followed by "-" (RFC 5321 4.2.1).
bool ReplyComplete(std::string_view text) {
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
    const std::string_view line = text.substr(start, end - start);
    if (line.size() <= kReplyCodeChars || line[kReplyCodeChars] != '-') return true;
  }
  return false;
}

// Whether a whole EHLO reply names STARTTLS among its extensions: one per
// line after the first, the keyword first (RFC 5321 4.1.1.1).
bool OffersStartTls(std::string_view reply) {
  std::size_t start = reply.find('\n');
  for (std::size_t end; start != std::string_view::npos; start = end) {
    end = reply.find('\n', start + 1);
    std::string_view line = reply.substr(start + 1, end == std::string_view::npos ? end : end - start - 1);
    if (line.size() < kReplyCodeChars + 1) continue;
    line.remove_prefix(kReplyCodeChars + 1);
    const std::string_view keyword = line.substr(0, line.find_first_of(" \r"));
    constexpr std::string_view kStartTls = "starttls";
    if (keyword.size() != kStartTls.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < keyword.size(); ++i) same = same && LowerAscii(keyword[i]) == kStartTls[i];
    if (same) return true;
  }
  return false;
}

// Sends each piece of the message with one send call.
class TransportSink : public PieceSink {
 public:
  explicit TransportSink(MailTransport& transport) : transport_(transport) {}
  bool Put(std::string_view piece) override {
    return transport_.Send(DotStuffed(piece, scratch_));
  }

 private:
  MailTransport& transport_;
  std::string scratch_;
};

}  // namespace

SmtpClient::~SmtpClient() { Close(); }

bool SmtpClient::Open() {
  if (!os::StartSocketLibrary()) {
    Close();
    return false;
  }
  libraryStarted_ = true;
  if (!transport_.Socket().Create()) {
    Close();
    return false;
  }
  transport_.Socket().SetTimeout(security_.timeoutSeconds);
  return true;
}

void SmtpClient::Close() {
  transport_.Close();
  startTlsOffered_ = false;
  if (libraryStarted_) {
    os::ReleaseSocketLibrary();
    libraryStarted_ = false;
  }
}

bool SmtpClient::SendOrClose(std::string_view command) {
  if (transport_.Send(command)) return true;
  if (transport_.Socket().TimedOut()) LogSendError(kTagSmtpSendTimedOut);
  Close();
  return false;
}

std::optional<std::string> SmtpClient::ReceiveReply() {
  char piece[kReplyBytes];
  std::string reply;
  do {
    std::memset(piece, 0, sizeof piece);
    const auto n = transport_.Receive(piece, sizeof piece);
    if (!n) {
      if (transport_.Socket().TimedOut()) {
        LogSendError(kTagSmtpReceiveTimedOut);
        Close();
      }
      return std::nullopt;
    }
    // The plain mode judges the one piece as it came (see the header).
    if (security_.smtp == SmtpSecurity::kNone) return std::string(piece, *n);
    if (*n == 0) return std::nullopt;
    reply.append(piece, *n);
  } while (!ReplyComplete(reply) && reply.size() < kWholeReplyBytes);
  if (!ReplyComplete(reply)) return std::nullopt;
  return reply;
}

bool SmtpClient::CheckResponse(std::string_view code) {
  const auto reply = ReceiveReply();
  if (!reply || reply->size() < kReplyCodeChars || code.size() < kReplyCodeChars) return false;
  for (std::size_t i = 0; i < kReplyCodeChars; ++i) {
    if (LowerAscii((*reply)[i]) != LowerAscii(code[i])) return false;
  }
  return true;
}

bool SmtpClient::Secure() {
  switch (transport_.Secure(os::TlsPeerCheck{host_, security_.pins})) {
    case os::TlsFailure::kNone:
      return true;
    case os::TlsFailure::kCertificate:
      LogSendError(kTagTlsCertificateRejected);
      break;
    case os::TlsFailure::kTimedOut:
      LogSendError(kTagTlsHandshakeTimedOut);
      break;
    case os::TlsFailure::kHandshake:
      LogSendError(kTagTlsHandshakeFailed);
      break;
  }
  Close();
  return false;
}

bool SmtpClient::Ehlo() {
  if (!SendOrClose("EHLO " + host_ + "\r\n")) return false;
  const auto reply = ReceiveReply();
  if (!reply || reply->compare(0, kReplyCodeChars, "250") != 0) return false;
  startTlsOffered_ = OffersStartTls(*reply);
  return true;
}

bool SmtpClient::StartTls() {
  if (!startTlsOffered_) {
    LogSendError(kTagStartTlsNotOffered);
    Close();
    return false;
  }
  if (!SendOrClose("STARTTLS\r\n")) return false;
  if (!CheckResponse("220")) {
    LogSendError(kTagStartTlsRefused);
    Close();
    return false;
  }
  // What the server said before the handshake is forgotten (RFC 3207 4.2).
  return Secure() && Ehlo();
}

bool SmtpClient::Connect(const std::string& host, int port) {
  if (!Open()) return false;
  const auto addresses = os::ResolveHostIpv4(host);
  if (!addresses || addresses->empty()) {
    Close();
    return false;
  }
  if (!transport_.Socket().Connect(addresses->front(), static_cast<std::uint16_t>(port))) {
    if (transport_.Socket().TimedOut()) LogSendError(kTagSmtpConnectTimedOut);
    Close();
    return false;
  }
  host_ = host;
  if (security_.smtp == SmtpSecurity::kTls && !Secure()) return false;
  if (!CheckResponse("220")) return false;
  if (security_.smtp != SmtpSecurity::kNone) return Ehlo();
  if (!SendOrClose("HELO " + host + "\r\n")) return false;
  return CheckResponse("250");
}

bool SmtpClient::Login(const std::string& account, const std::string& password) {
  // A closed client fails below, at its first send, as in the plain mode.
  const bool open = transport_.Socket().IsOpen();
  if (security_.smtp == SmtpSecurity::kStartTls && open && !transport_.Secured() && !StartTls()) {
    return false;
  }
  if (security_.smtp != SmtpSecurity::kNone && open && !transport_.Secured()) {
    Close();  // not secured: the credentials stay here
  }
  if (!SendOrClose("AUTH LOGIN\r\n")) {
    LogSendError(kTagSendAuthLoginFailed);
    return false;
  }
  // The server's challenges are not read: only their codes count.
  if (!CheckResponse("334")) return false;
  if (!SendOrClose(Base64Encode(account) + "\r\n")) {
    LogSendError(kTagSend64UserNameFailed);
    return false;
  }
  if (!CheckResponse("334")) {
    LogSendError(kTagCheckResponse334Failed);
    return false;
  }
  if (!SendOrClose(Base64Encode(password) + "\r\n")) {
    LogSendError(kTagSend64PasswordFailed);
    return false;
  }
  if (!CheckResponse("235")) {
    LogSendError(kTagCheckResponse235Failed);
    return false;
  }
  return true;
}

bool SmtpClient::SendMail(const std::string& senderAddress,
                          const std::vector<std::string>& receivers,
                          const std::string& senderName, const std::string& subject,
                          const std::string& body, const std::vector<std::u16string>& attachments,
                          bool html) {
  if (senderAddress.empty() || receivers.empty()) return false;
  if (!SendOrClose("MAIL FROM:<" + senderAddress + ">\r\n")) return false;
  if (!CheckResponse("250")) return false;
  for (const std::string& receiver : receivers) {
    if (!SendOrClose("RCPT To:<" + receiver + ">\r\n")) return false;
    if (!CheckResponse("250")) return false;
  }
  if (!SendOrClose("DATA\r\n")) return false;
  if (!CheckResponse("354")) return false;

  const MailContent mail{senderAddress, receivers, senderName, subject, body, attachments, html};
  TransportSink sink(transport_);
  if (!PutMessageBeforeClosing(mail, sink)) {
    Close();
    return false;
  }
  // The closing piece carries the end-of-data line itself: it is sent as it is.
  if (!SendOrClose(MimeClosingPiece())) return false;
  if (!CheckResponse("250")) return false;

  if (!SendOrClose("QUIT\r\n")) return false;
  if (!CheckResponse("221")) return false;
  Close();
  return true;
}

}  // namespace norda
