// Peak memory and time of mailing a report: the SMTP client sends one large
// archive to a real SMTP server on loopback, and the process's peak resident
// set is compared with what it was before sending. Attachments are streamed,
// so the difference must not grow with the archive's size. With starttls or
// tls (and the server certificate's SHA-256 as its pin) the mail goes over TLS,
// whose cost the elapsed time shows against a plain send.
//
// usage: send_memory_bench PORT ARCHIVE [none|starttls|tls PIN]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "base/utf8.h"
#include "core/mail/smtp_client.h"

namespace {

long PeakKilobytes() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 5 ? argv[3] : "none";
  if ((argc != 3 && argc != 5) || (mode != "none" && mode != "starttls" && mode != "tls")) {
    std::fprintf(stderr, "usage: send_memory_bench PORT ARCHIVE [none|starttls|tls PIN]\n");
    return 2;
  }
  norda::DeliverySecurity security;
  security.smtp = mode == "starttls" ? norda::SmtpSecurity::kStartTls
                  : mode == "tls"    ? norda::SmtpSecurity::kTls
                                     : norda::SmtpSecurity::kNone;
  if (argc == 5) security.pins = norda::ParseCertificatePins(argv[4]);
  const int port = std::stoi(argv[1]);
  const long before = PeakKilobytes();
  const auto start = std::chrono::steady_clock::now();
  norda::SmtpClient client(security);
  const bool sent = client.Connect("127.0.0.1", port) && client.Login("bench", "bench") &&
                    client.SendMail("bench@peer.test", {"reports@peer.test"}, "Bench", "Memory",
                                    "A large report.", {norda::Utf8ToUtf16(argv[2])}, false);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const long after = PeakKilobytes();
  std::printf("mailing %s (%s): %s; peak memory before %ld KB, after %ld KB, growth %ld KB; elapsed %.1f ms\n",
              argv[2], mode.c_str(), sent ? "sent" : "NOT SENT", before, after, after - before, ms);
  return sent ? 0 : 1;
}
