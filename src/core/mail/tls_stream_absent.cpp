// The builds without a TLS channel (the default Windows program, whose mail
// goes plain): a secure step can only fail, before any byte is sent, so that
// no credential ever goes out unprotected.
#include "core/mail/mail_transport.h"

namespace norda {

std::unique_ptr<SecureStream> StartSecureStream(os::TcpSocket&, const os::TlsPeerCheck&,
                                                os::TlsFailure& failure) {
  failure = os::TlsFailure::kHandshake;
  return nullptr;
}

}  // namespace norda
