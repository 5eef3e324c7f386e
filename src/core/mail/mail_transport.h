// The byte stream of one mail connection: the socket itself until the session
// is secured, then a TLS channel on it. The SMTP steps send and receive
// through here and never ask which of the two carries their bytes.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "os/socket.h"
#include "os/tls_channel.h"

namespace norda {

// A secured stream on the connection's socket (os::TlsChannel).
class SecureStream {
 public:
  virtual ~SecureStream() = default;
  virtual bool Send(std::string_view data) = 0;
  virtual std::optional<std::size_t> Receive(void* buffer, std::size_t size) = 0;
};

// The TLS handshake on a connected socket: the stream, or nothing with the
// reason in failure. Builds without a TLS channel of their own (the default
// Windows program) fail every handshake (tls_stream_absent.cpp).
std::unique_ptr<SecureStream> StartSecureStream(os::TcpSocket& socket, const os::TlsPeerCheck& check,
                                                os::TlsFailure& failure);

class MailTransport {
 public:
  os::TcpSocket& Socket() { return socket_; }
  bool Secured() const { return secure_ != nullptr; }
  // One send of the whole data (the socket's, or TLS records for it).
  bool Send(std::string_view data) { return secure_ ? secure_->Send(data) : socket_.Send(data); }
  std::optional<std::size_t> Receive(void* buffer, std::size_t size) {
    return secure_ ? secure_->Receive(buffer, size) : socket_.Receive(buffer, size);
  }
  // Secures the open connection; kNone when every later byte goes over TLS.
  os::TlsFailure Secure(const os::TlsPeerCheck& check) {
    os::TlsFailure failure = os::TlsFailure::kNone;
    secure_ = StartSecureStream(socket_, check, failure);
    return failure;
  }
  // Ends the TLS session first (its close_notify still goes out), then the
  // connection; the socket is closed.
  void Close() {
    secure_.reset();
    socket_.ShutdownBoth();
    socket_.Close();
  }

 private:
  os::TcpSocket socket_;
  std::unique_ptr<SecureStream> secure_;
};

}  // namespace norda
