// The pin check of an https:// settings download. Only the builds with TLS
// compile it (tls_download_absent.cpp stands in for it in the others).
#pragma once

#include <vector>

#include "os/tls_channel.h"
#include "os/win32/internet_handle.h"

namespace os::win32 {

// Whether the certificate that the server of a sent request showed is one of
// the pins.
bool ServerCertificatePinned(HINTERNET request, const std::vector<CertificateDigest>& pins);

}  // namespace os::win32
