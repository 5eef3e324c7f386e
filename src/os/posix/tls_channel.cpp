// The TLS channel on Linux: OpenSSL, whose records go through the TcpSocket
// (a BIO of our own), so that the socket's time-out holds for the handshake
// and every later read and write.
#include "os/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>

namespace os {
namespace {

TcpSocket& SocketOf(BIO* bio) { return *static_cast<TcpSocket*>(BIO_get_data(bio)); }

int SocketWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  return SocketOf(bio).Send(std::string_view(data, static_cast<std::size_t>(size))) ? size : -1;
}

int SocketRead(BIO* bio, char* data, int size) {
  BIO_clear_retry_flags(bio);
  const auto n = SocketOf(bio).Receive(data, static_cast<std::size_t>(size));
  return n ? static_cast<int>(*n) : -1;
}

long SocketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

const BIO_METHOD* SocketMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "norda socket");
    BIO_meth_set_write(m, SocketWrite);
    BIO_meth_set_read(m, SocketRead);
    BIO_meth_set_ctrl(m, SocketControl);
    return m;
  }();
  return method;
}

bool IsAddress(const std::string& host) {
  unsigned char bytes[16];
  return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

// Whether the certificate's DER bytes hash to one of the pins.
bool Pinned(X509* certificate, const std::vector<CertificateDigest>& pins) {
  if (!certificate) return false;
  CertificateDigest digest{};
  unsigned int size = 0;
  if (X509_digest(certificate, EVP_sha256(), digest.data(), &size) != 1 || size != digest.size()) {
    return false;
  }
  return std::find(pins.begin(), pins.end(), digest) != pins.end();
}

}  // namespace

struct TlsChannel::State {
  SSL_CTX* context = nullptr;
  SSL* session = nullptr;
  bool established = false;
};

TlsChannel::TlsChannel(TcpSocket& socket) : socket_(socket), state_(new State) {}

TlsChannel::~TlsChannel() {
  // close_notify, without waiting for the server's.
  if (state_->established) SSL_shutdown(state_->session);
  SSL_free(state_->session);
  SSL_CTX_free(state_->context);
}

TlsFailure TlsChannel::Handshake(const TlsPeerCheck& check) {
  State& s = *state_;
  if (s.session) return TlsFailure::kHandshake;  // one handshake per channel
  ERR_clear_error();
  s.context = SSL_CTX_new(TLS_client_method());
  if (!s.context || SSL_CTX_set_min_proto_version(s.context, TLS1_2_VERSION) != 1) {
    return TlsFailure::kHandshake;
  }
  // Pins replace the system's judgement; without them the roots (also those
  // of SSL_CERT_FILE) and the host name decide during the handshake.
  if (check.pins.empty()) {
    if (SSL_CTX_set_default_verify_paths(s.context) != 1) return TlsFailure::kHandshake;
    SSL_CTX_set_verify(s.context, SSL_VERIFY_PEER, nullptr);
  } else {
    SSL_CTX_set_verify(s.context, SSL_VERIFY_NONE, nullptr);
  }
  s.session = SSL_new(s.context);
  BIO* bio = s.session ? BIO_new(SocketMethod()) : nullptr;
  if (!bio) return TlsFailure::kHandshake;
  BIO_set_data(bio, &socket_);
  BIO_set_init(bio, 1);
  SSL_set_bio(s.session, bio, bio);
  const bool address = IsAddress(check.hostName);
  if (!address && !check.hostName.empty() &&
      SSL_set_tlsext_host_name(s.session, check.hostName.c_str()) != 1) {
    return TlsFailure::kHandshake;
  }
  if (check.pins.empty()) {
    X509_VERIFY_PARAM* param = SSL_get0_param(s.session);
    const bool named = address ? X509_VERIFY_PARAM_set1_ip_asc(param, check.hostName.c_str()) == 1
                               : SSL_set1_host(s.session, check.hostName.c_str()) == 1;
    if (!named) return TlsFailure::kCertificate;
  }
  if (SSL_connect(s.session) != 1) {
    if (socket_.TimedOut()) return TlsFailure::kTimedOut;
    if (check.pins.empty() && SSL_get_verify_result(s.session) != X509_V_OK) return TlsFailure::kCertificate;
    return TlsFailure::kHandshake;
  }
  if (!check.pins.empty()) {
    X509* certificate = SSL_get1_peer_certificate(s.session);
    const bool pinned = Pinned(certificate, check.pins);
    X509_free(certificate);
    if (!pinned) return TlsFailure::kCertificate;
  }
  s.established = true;
  return TlsFailure::kNone;
}

bool TlsChannel::Send(std::string_view data) {
  State& s = *state_;
  if (!s.established) return false;
  ERR_clear_error();
  while (!data.empty()) {
    const int size = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
    const int sent = SSL_write(s.session, data.data(), size);
    if (sent <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::optional<std::size_t> TlsChannel::Receive(void* buffer, std::size_t size) {
  State& s = *state_;
  if (!s.established) return std::nullopt;
  ERR_clear_error();
  const int got = SSL_read(s.session, buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
  if (got > 0) return static_cast<std::size_t>(got);
  // Only the server's close_notify is an end; a connection cut without it
  // may have lost the end of the data.
  if (SSL_get_error(s.session, got) == SSL_ERROR_ZERO_RETURN) return 0;
  return std::nullopt;
}

}  // namespace os
