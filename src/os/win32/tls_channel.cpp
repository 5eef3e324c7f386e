#include "os/tls_channel.h"

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <cstring>

#include "base/utf8.h"
#include "os/win32/tls_certificate.h"
#include "os/win32/wide.h"

namespace os {
namespace {

// Room for one handshake message or record as it arrives; a TLS record is at
// most 16 KB of payload plus its header and protection.
constexpr std::size_t kReceiveChunk = 17 * 1024;

// Stream, confidentiality and replay protection; Schannel allocates the
// tokens it hands back, freed with FreeContextBuffer.
constexpr ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_USE_SUPPLIED_CREDS | ISC_REQ_EXTENDED_ERROR;

// Sends the token that a handshake step produced, if any, then frees it.
bool SendToken(TcpSocket& socket, SecBuffer& token) {
  if (!token.pvBuffer) return true;
  const bool sent = token.cbBuffer == 0 ||
                    socket.Send(std::string_view(static_cast<const char*>(token.pvBuffer), token.cbBuffer));
  FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
  return sent;
}

}  // namespace

struct TlsChannel::State {
  CredHandle credentials = {};
  bool haveCredentials = false;
  CtxtHandle context = {};
  bool haveContext = false;
  bool established = false;
  SecPkgContext_StreamSizes sizes = {};
  // Bytes from the socket that are not yet decrypted, and decrypted bytes that
  // the caller has not yet taken (from plainOffset on).
  std::string incoming;
  std::string plain;
  std::size_t plainOffset = 0;
  bool peerClosed = false;

  ~State() {
    if (haveContext) DeleteSecurityContext(&context);
    if (haveCredentials) FreeCredentialsHandle(&credentials);
  }

  // Receives more bytes onto incoming: the socket's count (0 when the peer
  // closed the connection), nothing on error.
  std::optional<std::size_t> ReceiveMore(TcpSocket& socket) {
    char chunk[kReceiveChunk];
    const std::optional<std::size_t> got = socket.Receive(chunk, sizeof chunk);
    if (got) incoming.append(chunk, *got);
    return got;
  }
  // A handshake that could not read on: the time-out, or anything else.
  static TlsFailure Ended(const TcpSocket& socket) {
    return socket.TimedOut() ? TlsFailure::kTimedOut : TlsFailure::kHandshake;
  }
};

TlsChannel::TlsChannel(TcpSocket& socket) : socket_(socket), state_(new State) {}

TlsChannel::~TlsChannel() {
  State& s = *state_;
  if (!s.established || s.peerClosed) return;
  // close_notify: the shutdown token, then one more step makes the alert.
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&s.context, &controlDesc) != SEC_E_OK) return;
  SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
  ULONG attributes = 0;
  const SECURITY_STATUS status =
      InitializeSecurityContextW(&s.credentials, &s.context, nullptr, kContextFlags, 0, 0, nullptr, 0,
                                 &s.context, &outDesc, &attributes, nullptr);
  if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
    SendToken(socket_, out);
  } else if (out.pvBuffer) {
    FreeContextBuffer(out.pvBuffer);
  }
}

TlsFailure TlsChannel::Handshake(const TlsPeerCheck& check) {
  State& s = *state_;
  SCHANNEL_CRED credentials = {};
  credentials.dwVersion = SCHANNEL_CRED_VERSION;
  // TLS 1.2: every Windows from 7 on speaks it through this structure.
  credentials.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  // The certificate is judged below, by the system's chain policy or by the
  // pins; Schannel's own check would reject a pinned self-signed one first.
  credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  if (AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                nullptr, &credentials, nullptr, nullptr, &s.credentials,
                                nullptr) != SEC_E_OK) {
    return TlsFailure::kHandshake;
  }
  s.haveCredentials = true;

  const std::u16string target = norda::Utf8ToUtf16(check.hostName);
  // An address names no server: it is not sent as SNI (RFC 6066 3).
  wchar_t* serverName =
      win32::IsDottedAddress(check.hostName) ? nullptr : const_cast<wchar_t*>(win32::W(target));
  bool first = true;
  for (;;) {
    SecBuffer in[2] = {{static_cast<unsigned long>(s.incoming.size()), SECBUFFER_TOKEN,
                        s.incoming.empty() ? nullptr : &s.incoming[0]},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
    ULONG attributes = 0;
    // The first step names the server (SNI) and has no input.
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &s.credentials, first ? nullptr : &s.context, serverName, kContextFlags, 0, 0,
        first ? nullptr : &inDesc, 0, &s.context, &outDesc, &attributes, nullptr);
    if (first) s.haveContext = status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
                               status == SEC_I_INCOMPLETE_CREDENTIALS;
    first = false;
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      if (out[0].pvBuffer) FreeContextBuffer(out[0].pvBuffer);
      const std::optional<std::size_t> got = s.ReceiveMore(socket_);
      if (!got || *got == 0) return State::Ended(socket_);
      continue;
    }
    // Tokens go out also with a failure: they carry the alert that tells why.
    const bool sent = SendToken(socket_, out[0]);
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
      return TlsFailure::kHandshake;
    }
    if (!sent) return State::Ended(socket_);
    // What the step did not consume stays for the next one (or, at the end,
    // is the first application data).
    if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0) {
      s.incoming.erase(0, s.incoming.size() - in[1].cbBuffer);
    } else if (status != SEC_I_INCOMPLETE_CREDENTIALS) {
      s.incoming.clear();
    }
    if (status == SEC_E_OK) break;
    // The server asked for a client certificate: go on without one.
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) continue;
    if (s.incoming.empty()) {
      const std::optional<std::size_t> got = s.ReceiveMore(socket_);
      if (!got || *got == 0) return State::Ended(socket_);
    }
  }

  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesW(&s.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
      !certificate) {
    return TlsFailure::kCertificate;
  }
  const bool accepted = win32::CertificateAccepted(certificate, check);
  CertFreeCertificateContext(certificate);
  if (!accepted) return TlsFailure::kCertificate;
  if (QueryContextAttributesW(&s.context, SECPKG_ATTR_STREAM_SIZES, &s.sizes) != SEC_E_OK) {
    return TlsFailure::kHandshake;
  }
  s.established = true;
  return TlsFailure::kNone;
}

bool TlsChannel::Send(std::string_view data) {
  State& s = *state_;
  if (!s.established) return false;
  std::string record;
  do {
    const std::size_t take = std::min<std::size_t>(data.size(), s.sizes.cbMaximumMessage);
    record.assign(s.sizes.cbHeader + take + s.sizes.cbTrailer, '\0');
    std::memcpy(&record[s.sizes.cbHeader], data.data(), take);
    SecBuffer buffers[4] = {
        {s.sizes.cbHeader, SECBUFFER_STREAM_HEADER, &record[0]},
        {static_cast<unsigned long>(take), SECBUFFER_DATA, &record[s.sizes.cbHeader]},
        {s.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, &record[s.sizes.cbHeader + take]},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&s.context, 0, &desc, 0) != SEC_E_OK) return false;
    // The trailer may come out shorter than its room.
    const std::size_t length = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
    if (!socket_.Send(std::string_view(record.data(), length))) return false;
    data.remove_prefix(take);
  } while (!data.empty());
  return true;
}

std::optional<std::size_t> TlsChannel::Receive(void* buffer, std::size_t size) {
  State& s = *state_;
  if (!s.established) return std::nullopt;
  while (s.plainOffset == s.plain.size()) {
    s.plain.clear();
    s.plainOffset = 0;
    if (s.peerClosed) return 0;
    if (s.incoming.empty()) {
      const std::optional<std::size_t> got = s.ReceiveMore(socket_);
      if (!got || *got == 0) return got;
    }
    SecBuffer buffers[4] = {{static_cast<unsigned long>(s.incoming.size()), SECBUFFER_DATA, &s.incoming[0]},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = DecryptMessage(&s.context, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      const std::optional<std::size_t> got = s.ReceiveMore(socket_);
      if (!got || *got == 0) return got;
      continue;
    }
    if (status == SEC_I_CONTEXT_EXPIRED) {  // the peer's close_notify
      s.peerClosed = true;
      return 0;
    }
    if (status != SEC_E_OK) return std::nullopt;
    // Decryption is in place: take the data and the extra bytes out before
    // incoming changes.
    std::string extra;
    for (const SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
        s.plain.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
      } else if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer > 0) {
        extra.assign(s.incoming, s.incoming.size() - b.cbBuffer, b.cbBuffer);
      }
    }
    s.incoming.swap(extra);
  }
  const std::size_t take = std::min(size, s.plain.size() - s.plainOffset);
  std::memcpy(buffer, s.plain.data() + s.plainOffset, take);
  s.plainOffset += take;
  return take;
}

}  // namespace os
