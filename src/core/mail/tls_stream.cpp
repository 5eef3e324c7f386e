// The secured mail stream of the builds that have a TLS channel.
#include "core/mail/mail_transport.h"

namespace norda {
namespace {

class TlsStream : public SecureStream {
 public:
  explicit TlsStream(os::TcpSocket& socket) : channel_(socket) {}
  os::TlsFailure Handshake(const os::TlsPeerCheck& check) { return channel_.Handshake(check); }
  bool Send(std::string_view data) override { return channel_.Send(data); }
  std::optional<std::size_t> Receive(void* buffer, std::size_t size) override {
    return channel_.Receive(buffer, size);
  }

 private:
  os::TlsChannel channel_;
};

}  // namespace

std::unique_ptr<SecureStream> StartSecureStream(os::TcpSocket& socket, const os::TlsPeerCheck& check,
                                                os::TlsFailure& failure) {
  auto stream = std::make_unique<TlsStream>(socket);
  failure = stream->Handshake(check);
  if (failure != os::TlsFailure::kNone) return nullptr;
  return stream;
}

}  // namespace norda
