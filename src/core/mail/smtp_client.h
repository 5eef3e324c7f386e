// The report mail's SMTP client (RFC 5321 with AUTH LOGIN, RFC 4954): one
// plain blocking TCP connection, HELO, AUTH LOGIN, one mail, QUIT. Every
// command is one send call and every reply is judged by one receive call and
// its first three characters, so a reply that arrives in two pieces is judged
// piece by piece. The client keeps no state between operations: each runs on
// whatever connection is there, and an operation on a closed client fails at
// its first send.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "build_settings.h"
#include "os/socket.h"

namespace norda {

// The mail server's port: a build setting, 25 unless the build says otherwise.
constexpr int kSmtpPort = NORDA_SMTP_PORT;

// The failure tags that Login writes to the send-error log.
constexpr char16_t kTagSendAuthLoginFailed[] = u"SendAuthLoginFailed!";
constexpr char16_t kTagSend64UserNameFailed[] = u"Send64UserNameFailed!";
constexpr char16_t kTagCheckResponse334Failed[] = u"CheckResponse334Failed!";
constexpr char16_t kTagSend64PasswordFailed[] = u"Send64PasswordFailed!";
constexpr char16_t kTagCheckResponse235Failed[] = u"CheckResponse235Failed!";

class SmtpClient {
 public:
  SmtpClient() = default;
  // Closes what is still open.
  virtual ~SmtpClient();
  SmtpClient(const SmtpClient&) = delete;
  SmtpClient& operator=(const SmtpClient&) = delete;

  // Starts the socket library and makes the socket.
  bool Open();
  // Opens, resolves the host, connects, takes the 220 greeting and greets
  // with HELO. True when the HELO was answered with 250.
  bool Connect(const std::string& host, int port);
  // AUTH LOGIN with the account and password. True on reply 235.
  bool Login(const std::string& account, const std::string& password);
  // The envelope, the message and QUIT; closes the client after QUIT. True
  // when the mail and the QUIT were accepted. Nothing is sent without a
  // sender address and at least one receiver.
  bool SendMail(const std::string& senderAddress, const std::vector<std::string>& receivers,
                const std::string& senderName, const std::string& subject,
                const std::string& body, const std::vector<std::u16string>& attachments, bool html);
  // One receive; true when it starts with the three characters of code,
  // compared without regard to letter case.
  bool CheckResponse(std::string_view code);
  // Shuts the connection down, closes the socket and releases the socket
  // library. May run more than once.
  void Close();

 private:
  // One send call with the whole command; a failure closes the client.
  bool SendOrClose(std::string_view command);

  os::TcpSocket socket_;
  bool libraryStarted_ = false;
};

}  // namespace norda
