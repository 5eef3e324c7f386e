#include "os/win32/tls_certificate.h"

#include <algorithm>

#include "base/utf8.h"
#include "os/win32/wide.h"

namespace os::win32 {
namespace {

bool Pinned(PCCERT_CONTEXT certificate, const std::vector<CertificateDigest>& pins) {
  CertificateDigest digest = {};
  DWORD size = static_cast<DWORD>(digest.size());
  if (!CryptHashCertificate2(L"SHA256", 0, nullptr, certificate->pbCertEncoded,
                             certificate->cbCertEncoded, digest.data(), &size) ||
      size != digest.size()) {
    return false;
  }
  return std::find(pins.begin(), pins.end(), digest) != pins.end();
}

// The chain to a trusted root, judged for a TLS server of that host name.
bool TrustedForHost(PCCERT_CONTEXT certificate, const std::string& host) {
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  char* usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara = {};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0,
                               nullptr, &chain)) {
    return false;
  }
  std::u16string name = norda::Utf8ToUtf16(host);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(W(name));
  CERT_CHAIN_POLICY_PARA policyPara = {};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof status;
  const bool judged = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &status);
  CertFreeCertificateChain(chain);
  return judged && status.dwError == 0;
}

}  // namespace

bool CertificateAccepted(PCCERT_CONTEXT certificate, const TlsPeerCheck& check) {
  if (!check.pins.empty()) return Pinned(certificate, check.pins);
  return TrustedForHost(certificate, check.hostName);
}

}  // namespace os::win32
