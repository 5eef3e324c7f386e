// Peak memory of mailing a report: the SMTP client sends one large archive to
// a real SMTP server on loopback, and the process's peak resident set is
// compared with what it was before sending. Attachments are streamed, so the
// difference must not grow with the archive's size.
//
// usage: send_memory_bench PORT ARCHIVE
#include <sys/resource.h>

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
  if (argc != 3) {
    std::fprintf(stderr, "usage: send_memory_bench PORT ARCHIVE\n");
    return 2;
  }
  const int port = std::stoi(argv[1]);
  const long before = PeakKilobytes();
  norda::SmtpClient client;
  const bool sent = client.Connect("127.0.0.1", port) && client.Login("bench", "bench") &&
                    client.SendMail("bench@peer.test", {"reports@peer.test"}, "Bench", "Memory",
                                    "A large report.", {norda::Utf8ToUtf16(argv[2])}, false);
  const long after = PeakKilobytes();
  std::printf("mailing %s: %s; peak memory before %ld KB, after %ld KB, growth %ld KB\n", argv[2],
              sent ? "sent" : "NOT SENT", before, after, after - before);
  return sent ? 0 : 1;
}
