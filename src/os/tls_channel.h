// A TLS client session (TLS 1.2 or later) on a connected TcpSocket: Schannel
// (SSPI) on Windows, OpenSSL on Linux. Used only by the builds that turn
// secure delivery on; the default build never makes one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/socket.h"

namespace os {

// The SHA-256 of a certificate's DER bytes.
using CertificateDigest = std::array<std::uint8_t, 32>;

// How the server's certificate is judged. Without pins: the system's trusted
// roots and the host name decide. With pins: the certificate must be exactly
// one of them, whatever the system trusts (the host name is then not
// compared either: the pin names the certificate).
struct TlsPeerCheck {
  std::string hostName;
  std::vector<CertificateDigest> pins;
};

// Why a handshake failed: the exchange itself (refused, broken, not TLS), the
// certificate (untrusted, wrong name, not a pinned one), or the socket's
// time-out.
enum class TlsFailure { kNone, kHandshake, kCertificate, kTimedOut };

class TlsChannel {
 public:
  // The socket must stay open and outlive the channel.
  explicit TlsChannel(TcpSocket& socket);
  // Sends close_notify when the session was established, then frees it; the
  // socket stays open.
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  // The client handshake, the server name sent as SNI, then the certificate
  // check. kNone when the session is established.
  TlsFailure Handshake(const TlsPeerCheck& check);
  // Encrypts and sends all of data (in as many records as it takes); false
  // when a send fails.
  bool Send(std::string_view data);
  // The next decrypted bytes, at most size of them, waiting for a record when
  // none is buffered: the count, 0 when the peer closed the session or the
  // connection, nothing on error (TcpSocket::TimedOut tells a time-out).
  std::optional<std::size_t> Receive(void* buffer, std::size_t size);

  struct State;

 private:
  TcpSocket& socket_;
  std::unique_ptr<State> state_;
};

}  // namespace os
