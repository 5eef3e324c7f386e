#include "os/win32/tls_certificate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

// Whether the certificate's subject alternative names hold that IPv4 address:
// the chain policy compares host names only.
bool NamesAddress(PCCERT_CONTEXT certificate, const std::string& host) {
  unsigned a, b, c, d;
  char rest;
  if (std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &rest) != 4 || (a | b | c | d) > 255) {
    return false;
  }
  const BYTE address[4] = {static_cast<BYTE>(a), static_cast<BYTE>(b), static_cast<BYTE>(c),
                           static_cast<BYTE>(d)};
  const CERT_INFO* info = certificate->pCertInfo;
  const CERT_EXTENSION* extension =
      CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!extension || !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                                         extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                                         &size)) {
    return false;
  }
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == 4 &&
            std::memcmp(entry.IPAddress.pbData, address, 4) == 0;
  }
  LocalFree(names);
  return found;
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
  const bool address = IsDottedAddress(host);
  std::u16string name = norda::Utf8ToUtf16(host);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = address ? nullptr : const_cast<wchar_t*>(W(name));
  CERT_CHAIN_POLICY_PARA policyPara = {};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof status;
  const bool judged = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &status);
  CertFreeCertificateChain(chain);
  return judged && status.dwError == 0 && (!address || NamesAddress(certificate, host));
}

}  // namespace

bool IsDottedAddress(const std::string& host) {
  return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

bool CertificateAccepted(PCCERT_CONTEXT certificate, const TlsPeerCheck& check) {
  if (!check.pins.empty()) return Pinned(certificate, check.pins);
  return TrustedForHost(certificate, check.hostName);
}

}  // namespace os::win32
