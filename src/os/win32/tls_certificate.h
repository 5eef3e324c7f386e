// The certificate rule shared by the TLS channel and the HTTPS download: the
// pins when there are any, else the system's chain policy for a TLS server
// with the host name.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "os/tls_channel.h"

namespace os::win32 {

// Whether the host is a dotted IPv4 address rather than a name.
bool IsDottedAddress(const std::string& host);

bool CertificateAccepted(PCCERT_CONTEXT certificate, const TlsPeerCheck& check);

}  // namespace os::win32
