#include "os/win32/tls_download.h"

#include "os/win32/tls_certificate.h"

namespace os::win32 {

bool ServerCertificatePinned(HINTERNET request, const std::vector<CertificateDigest>& pins) {
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  DWORD size = sizeof chain;
  const bool known =
      InternetQueryOptionW(request, INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &chain, &size) && chain &&
      chain->cChain > 0 && chain->rgpChain[0]->cElement > 0;
  TlsPeerCheck check;
  check.pins = pins;
  const bool accepted = known && CertificateAccepted(chain->rgpChain[0]->rgpElement[0]->pCertContext, check);
  if (chain) CertFreeCertificateChain(chain);
  return accepted;
}

}  // namespace os::win32
