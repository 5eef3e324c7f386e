// The report mail's SMTP client (RFC 5321 with AUTH LOGIN, RFC 4954): one
// plain blocking TCP connection, HELO, AUTH LOGIN, one mail, QUIT. Every
// command is one send call and every reply is judged by one receive call and
// its first three characters, so a reply that arrives in two pieces is judged
// piece by piece. The client keeps no state between operations: each runs on
// whatever connection is there, and an operation on a closed client fails at
// its first send.
//
// The secure modes (delivery_security.h) greet with EHLO and read every reply
// whole, up to its last line (RFC 5321 4.2.1). starttls secures the session
// with STARTTLS (RFC 3207) at the start of Login, tls before the greeting;
// until it is secured no AUTH and no credential is sent. With a time-out, a
// step whose time runs out logs that it timed out and closes the connection.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "build_settings.h"
#include "core/mail/delivery_security.h"
#include "core/mail/mail_transport.h"

namespace norda {

// The mail server's port: a build setting, 25 unless the build says otherwise.
constexpr int kSmtpPort = NORDA_SMTP_PORT;

// The failure tags that Login writes to the send-error log.
constexpr char16_t kTagSendAuthLoginFailed[] = u"SendAuthLoginFailed!";
constexpr char16_t kTagSend64UserNameFailed[] = u"Send64UserNameFailed!";
constexpr char16_t kTagCheckResponse334Failed[] = u"CheckResponse334Failed!";
constexpr char16_t kTagSend64PasswordFailed[] = u"Send64PasswordFailed!";
constexpr char16_t kTagCheckResponse235Failed[] = u"CheckResponse235Failed!";
// The secure modes' failures before AUTH: each ends the login.
constexpr char16_t kTagStartTlsNotOffered[] = u"StartTlsNotOffered!";
constexpr char16_t kTagStartTlsRefused[] = u"StartTlsRefused!";
constexpr char16_t kTagTlsHandshakeFailed[] = u"TlsHandshakeFailed!";
constexpr char16_t kTagTlsCertificateRejected[] = u"TlsCertificateRejected!";
// A time-out, logged before the tags of the step that it failed.
constexpr char16_t kTagSmtpConnectTimedOut[] = u"SmtpConnectTimedOut!";
constexpr char16_t kTagSmtpSendTimedOut[] = u"SmtpSendTimedOut!";
constexpr char16_t kTagSmtpReceiveTimedOut[] = u"SmtpReceiveTimedOut!";
constexpr char16_t kTagTlsHandshakeTimedOut[] = u"TlsHandshakeTimedOut!";

class SmtpClient {
 public:
  explicit SmtpClient(DeliverySecurity security = BuildDeliverySecurity())
      : security_(std::move(security)) {}
  // Closes what is still open.
  virtual ~SmtpClient();
  SmtpClient(const SmtpClient&) = delete;
  SmtpClient& operator=(const SmtpClient&) = delete;

  // Starts the socket library and makes the socket.
  bool Open();
  // Opens, resolves the host, connects, takes the 220 greeting and greets
  // with HELO. True when the HELO was answered with 250. In the secure modes
  // the greeting is EHLO, in tls after the handshake with the host.
  bool Connect(const std::string& host, int port);
  // AUTH LOGIN with the account and password. True on reply 235. In starttls
  // mode an open session that is not yet secured is secured first.
  bool Login(const std::string& account, const std::string& password);
  // The envelope, the message and QUIT; closes the client after QUIT. True
  // when the mail and the QUIT were accepted. Nothing is sent without a
  // sender address and at least one receiver.
  bool SendMail(const std::string& senderAddress, const std::vector<std::string>& receivers,
                const std::string& senderName, const std::string& subject,
                const std::string& body, const std::vector<std::u16string>& attachments, bool html);
  // One receive (in the secure modes: the whole reply); true when it starts
  // with the three characters of code, compared without regard to letter case.
  bool CheckResponse(std::string_view code);
  // Shuts the connection down, closes the socket and releases the socket
  // library. May run more than once.
  void Close();

 private:
  // One send call with the whole command; a failure closes the client.
  bool SendOrClose(std::string_view command);
  // The reply, read whole in the secure modes; nothing when a receive failed
  // (the client is then closed when its time ran out).
  std::optional<std::string> ReceiveReply();
  // EHLO and its whole 250 reply, which tells whether STARTTLS is offered.
  bool Ehlo();
  // STARTTLS, its 220, the handshake and EHLO anew.
  bool StartTls();
  // The handshake with host_; a failure is logged and closes the client.
  bool Secure();

  DeliverySecurity security_;
  MailTransport transport_;
  std::string host_;
  bool startTlsOffered_ = false;
  bool libraryStarted_ = false;
};

}  // namespace norda
