#include "core/mail/delivery_security.h"

#include "build_settings.h"

namespace norda {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<os::CertificateDigest> ParseCertificatePins(std::string_view text) {
  std::vector<os::CertificateDigest> pins;
  while (!text.empty()) {
    const std::size_t end = text.find(';');
    const std::string_view hex = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    os::CertificateDigest digest{};
    bool valid = hex.size() == 2 * digest.size();
    for (std::size_t i = 0; valid && i < digest.size(); ++i) {
      const int high = HexValue(hex[2 * i]), low = HexValue(hex[2 * i + 1]);
      valid = high >= 0 && low >= 0;
      digest[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    if (valid) pins.push_back(digest);
  }
  return pins;
}

const DeliverySecurity& BuildDeliverySecurity() {
  static const DeliverySecurity settings{static_cast<SmtpSecurity>(NORDA_SMTP_SECURITY),
                                         ParseCertificatePins(NORDA_TLS_CERT_SHA256),
                                         NORDA_NETWORK_TIMEOUT_S};
  return settings;
}

}  // namespace norda
