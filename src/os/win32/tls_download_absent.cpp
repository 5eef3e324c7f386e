// The builds without TLS (the default program, whose settings URL is plain
// http://) never ask for a pinned download; should one be asked for, no
// certificate passes.
#include "os/win32/tls_download.h"

namespace os::win32 {

bool ServerCertificatePinned(HINTERNET, const std::vector<CertificateDigest>&) { return false; }

}  // namespace os::win32
