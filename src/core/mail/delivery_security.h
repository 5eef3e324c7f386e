// How a report travels: the SMTP security, the certificates that are pinned
// and the network time-out. The build decides them (build_settings.h); the
// mail client and the settings download take them as values, so that every
// mode can be exercised by one build.
#pragma once

#include <string_view>
#include <vector>

#include "os/tls_channel.h"

namespace norda {

// none: plain SMTP with HELO, as the program always did. starttls: EHLO, then
// STARTTLS before any credential. tls: TLS from the first byte (port 465).
enum class SmtpSecurity { kNone, kStartTls, kTls };

struct DeliverySecurity {
  SmtpSecurity smtp = SmtpSecurity::kNone;
  // Empty: the system's roots and the host name judge the certificate.
  std::vector<os::CertificateDigest> pins;
  // 0: every step waits as long as the system lets it.
  int timeoutSeconds = 0;
};

// The build's settings.
const DeliverySecurity& BuildDeliverySecurity();

// SHA-256 digests in hex, separated by ";" (the configure step has checked
// them); a part that is not 64 hex digits is left out.
std::vector<os::CertificateDigest> ParseCertificatePins(std::string_view text);

// What the send-error log shows instead of the password in the secure modes.
constexpr char16_t kMaskedPassword[] = u"********";

}  // namespace norda
