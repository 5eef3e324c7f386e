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

// Sends each piece of the message with one send call.
class SocketSink : public PieceSink {
 public:
  explicit SocketSink(os::TcpSocket& socket) : socket_(socket) {}
  bool Put(std::string_view piece) override {
    return socket_.Send(DotStuffed(piece, scratch_));
  }

 private:
  os::TcpSocket& socket_;
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
  if (!socket_.Create()) {
    Close();
    return false;
  }
  return true;
}

void SmtpClient::Close() {
  socket_.ShutdownBoth();
  socket_.Close();
  if (libraryStarted_) {
    os::ReleaseSocketLibrary();
    libraryStarted_ = false;
  }
}

bool SmtpClient::SendOrClose(std::string_view command) {
  if (socket_.Send(command)) return true;
  Close();
  return false;
}

bool SmtpClient::CheckResponse(std::string_view code) {
  char reply[kReplyBytes];
  std::memset(reply, 0, sizeof reply);
  const auto n = socket_.Receive(reply, sizeof reply);
  if (!n || *n < kReplyCodeChars || code.size() < kReplyCodeChars) return false;
  for (std::size_t i = 0; i < kReplyCodeChars; ++i) {
    if (LowerAscii(reply[i]) != LowerAscii(code[i])) return false;
  }
  return true;
}

bool SmtpClient::Connect(const std::string& host, int port) {
  if (!Open()) return false;
  const auto addresses = os::ResolveHostIpv4(host);
  if (!addresses || addresses->empty()) {
    Close();
    return false;
  }
  if (!socket_.Connect(addresses->front(), static_cast<std::uint16_t>(port))) {
    Close();
    return false;
  }
  if (!CheckResponse("220")) return false;
  if (!SendOrClose("HELO " + host + "\r\n")) return false;
  return CheckResponse("250");
}

bool SmtpClient::Login(const std::string& account, const std::string& password) {
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
  SocketSink sink(socket_);
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
