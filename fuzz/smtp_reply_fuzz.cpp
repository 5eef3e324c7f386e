// The SMTP client against any server replies, delivered in any pieces, with
// any mail fields and failing sends. The run is the send flow's: Connect,
// Login and SendMail one after the other, whatever each returned.
// Checks, besides memory safety:
// - the bytes sent and the three results are those of the exchange read
//   step by step: each reply judged by one receive of at most 1024 bytes and
//   its first three characters, a failed send closing the connection;
// - the mail data is transparent (RFC 5321 4.5.2): every line that begins
//   with "." goes out with one more, so the data ends at its closing line
//   and nowhere before it;
// - the socket is closed when the client goes;
// - in starttls mode, against the same replies read whole (however they are
//   split), nothing but EHLO goes out in clear, STARTTLS only after an EHLO
//   reply that names it, then only TLS records: no scripted peer can make a
//   TLS session, so neither AUTH nor a credential ever goes out.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/mail/smtp_client.h"
#include "support/check.h"
#include "support/fake_socket.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace {

using fuzz::Check;
using Pieces = std::deque<std::optional<std::string>>;
using Steps = std::vector<std::pair<std::string, const char*>>;  // what is sent, the reply it wants

// The exchange as the server sees it, step by step.
class Exchange : public norda::PieceSink {
 public:
  Exchange(Pieces replies, std::size_t failingSend)
      : replies_(std::move(replies)), failingSend_(failingSend) {}

  bool Send(const std::string& bytes) {
    if (open && failingSend_ != 0 && ++sends_ >= failingSend_) open = false;
    if (open) wire += bytes;
    return open;
  }
  // One receive of at most 1024 bytes, judged by its first three characters.
  bool Reply(const char* code) {
    if (!open || replies_.empty()) return false;
    std::optional<std::string>& piece = replies_.front();
    const std::string got = piece ? piece->substr(0, 1024) : std::string();
    if (piece) piece->erase(0, 1024);
    if (!piece || piece->empty()) replies_.pop_front();
    for (std::size_t i = 0; i < 3; ++i) {
      if (got.size() < 3 || std::tolower(static_cast<unsigned char>(got[i])) != code[i]) return false;
    }
    return true;
  }
  bool Run(const Steps& steps) {
    for (const auto& [bytes, code] : steps) {
      if (!Send(bytes) || !Reply(code)) return false;
    }
    return true;
  }
  // The mail data as it goes on the wire: a line that begins with "." gets a
  // second one, across the pieces as in one stream.
  bool Put(std::string_view piece) override {
    std::string out;
    for (char c : piece) {
      if (lineStart_ && c == '.') out += '.';
      out += c;
      lineStart_ = c == '\n' && previous_ == '\r';
      previous_ = c;
    }
    return Send(out);
  }

  bool open = true;
  std::string wire;

 private:
  Pieces replies_;
  std::size_t failingSend_, sends_ = 0;
  bool lineStart_ = true;
  char previous_ = '\0';
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const norda::test::ScratchFolder scratch;
  static const std::u16string attachmentPath = scratch / u"Crash_1.zip";
  FuzzedDataProvider input(data, size);
  const bool refused = input.ConsumeBool();
  const std::uint8_t failing = input.ConsumeIntegral<std::uint8_t>();
  const std::size_t failingSend = failing < 40 ? failing : 0;
  const int receiverCount = input.ConsumeIntegralInRange(0, 3);
  const std::string account = input.ConsumeRandomLengthString(80);
  const std::string password = input.ConsumeRandomLengthString(80);
  norda::MailContent mail;
  mail.senderAddress = input.ConsumeRandomLengthString(80);
  for (int i = 0; i < receiverCount; ++i) mail.receivers.push_back(input.ConsumeRandomLengthString(80));
  mail.senderName = input.ConsumeRandomLengthString(80);
  mail.subject = input.ConsumeRandomLengthString(200);
  mail.body = input.ConsumeRandomLengthString(2000);
  const std::string attachment = input.ConsumeRandomLengthString(30000);
  if (!attachment.empty()) {
    norda::test::WriteBytes(attachmentPath, attachment);
    mail.attachments.push_back(attachmentPath);
  }
  Pieces replies;
  while (input.remaining_bytes() > 0) {
    std::string piece = input.ConsumeRandomLengthString(1500);
    // An empty piece: that receive fails.
    replies.emplace_back(piece.empty() ? std::nullopt : std::optional<std::string>(piece));
  }

  Exchange expected(replies, failingSend);
  expected.open = !refused;
  const bool connected = expected.Reply("220") && expected.Run({{"HELO 127.0.0.1\r\n", "250"}});
  const bool loggedIn = expected.Run({{"AUTH LOGIN\r\n", "334"},
                                      {norda::Base64Encode(account) + "\r\n", "334"},
                                      {norda::Base64Encode(password) + "\r\n", "235"}});
  Steps envelope = {{"MAIL FROM:<" + mail.senderAddress + ">\r\n", "250"}};
  for (const std::string& r : mail.receivers) envelope.emplace_back("RCPT To:<" + r + ">\r\n", "250");
  envelope.emplace_back("DATA\r\n", "354");
  bool sent = !mail.senderAddress.empty() && !mail.receivers.empty() && expected.Run(envelope);
  const std::size_t dataStart = expected.wire.size();
  sent = sent && norda::PutMessageBeforeClosing(mail, expected) &&
         expected.Run({{norda::MimeClosingPiece(), "250"}, {"QUIT\r\n", "221"}});

  fuzz::ResetPeer();
  fuzz::FakePeer& peer = fuzz::Peer();
  const auto replay = [&] {
    peer.pieces = replies;
    peer.failingSend = failingSend;
    peer.refuseConnection = refused;
  };
  replay();
  {
    norda::SmtpClient client;
    Check(client.Connect("127.0.0.1", norda::kSmtpPort) == connected, "Connect's result");
    Check(client.Login(account, password) == loggedIn, "Login's result");
    Check(client.SendMail(mail.senderAddress, mail.receivers, mail.senderName, mail.subject, mail.body,
                          mail.attachments, false) == sent,
          "SendMail's result");
  }
  Check(peer.sent == expected.wire, "the bytes sent differ from the exchange");
  Check(peer.openSockets == 0, "the socket outlives the client");
  // The data, its closing line and QUIT: the first end-of-data line is the last.
  Check(!sent || peer.sent.find("\r\n.\r\n", dataStart) + 5 + 6 == peer.sent.size(),
        "the mail data ends before its closing line");

  std::string offered;  // every byte of the replies, in capitals
  for (const auto& piece : replies) offered += piece.value_or("");
  for (char& c : offered) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  fuzz::ResetPeer();
  replay();
  {
    norda::SmtpClient client({norda::SmtpSecurity::kStartTls, {}, 0});
    client.Connect("127.0.0.1", norda::kSmtpPort);
    Check(!client.Login(account, password) && !client.SendMail(mail.senderAddress, mail.receivers, "", "",
                                                               "", {}, false),
          "a login or a mail without a TLS session");
  }
  const std::string ehlo = "EHLO 127.0.0.1\r\n", starttls = ehlo + "STARTTLS\r\n", &wire = peer.sent;
  const bool tls = wire.size() > starttls.size() && wire.compare(0, starttls.size(), starttls) == 0 &&
                   wire[starttls.size()] == '\x16';  // a TLS handshake record
  Check(wire.empty() || wire == ehlo || wire == starttls || tls, "bytes in clear besides EHLO and STARTTLS");
  Check(wire.size() < starttls.size() || offered.find("STARTTLS") != std::string::npos,
        "STARTTLS that no reply offered");
  Check(peer.openSockets == 0, "the socket outlives the secure client");
  return 0;
}
