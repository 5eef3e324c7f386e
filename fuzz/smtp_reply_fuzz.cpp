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
// - the socket is closed when the client goes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/mail/smtp_client.h"
#include "support/fake_socket.h"
#include "support/scratch_file.h"

namespace {

using fuzz::Check;
using Pieces = std::deque<std::optional<std::string>>;

constexpr char kHost[] = "127.0.0.1";
constexpr std::size_t kReplyBytes = 1024;

struct Mail {
  std::string account, password, sender, senderName, subject, body;
  std::vector<std::string> receivers;
  std::vector<std::u16string> attachments;
};

class PieceList : public norda::PieceSink {
 public:
  bool Put(std::string_view piece) override {
    pieces.emplace_back(piece);
    return true;
  }
  std::vector<std::string> pieces;
};

// The exchange as the server sees it, step by step.
class Exchange {
 public:
  Exchange(Pieces replies, std::size_t failingSend, bool refused)
      : replies_(std::move(replies)), failingSend_(failingSend), refused_(refused) {}

  bool Connect() {
    open_ = true;
    if (refused_) return Close();
    if (!Reply("220")) return false;
    if (!Send(std::string("HELO ") + kHost + "\r\n")) return false;
    return Reply("250");
  }

  bool Login(const Mail& m) {
    if (!Send("AUTH LOGIN\r\n")) return false;
    if (!Reply("334")) return false;
    if (!Send(norda::Base64Encode(m.account) + "\r\n")) return false;
    if (!Reply("334")) return false;
    if (!Send(norda::Base64Encode(m.password) + "\r\n")) return false;
    return Reply("235");
  }

  bool SendMail(const Mail& m, const std::vector<std::string>& message) {
    if (m.sender.empty() || m.receivers.empty()) return false;
    if (!Send("MAIL FROM:<" + m.sender + ">\r\n") || !Reply("250")) return false;
    for (const std::string& r : m.receivers) {
      if (!Send("RCPT To:<" + r + ">\r\n") || !Reply("250")) return false;
    }
    if (!Send("DATA\r\n") || !Reply("354")) return false;
    dataStart_ = wire_.size();
    bool lineStart = true;
    char previous = '\0';
    for (const std::string& piece : message) {
      if (!Send(Transparent(piece, lineStart, previous))) return false;
    }
    if (!Send(norda::MimeClosingPiece()) || !Reply("250")) return false;
    if (!Send("QUIT\r\n") || !Reply("221")) return false;
    Close();
    return true;
  }

  const std::string& Wire() const { return wire_; }
  // Where the mail data begins on the wire.
  std::size_t DataStart() const { return dataStart_; }

 private:
  bool Close() {
    open_ = false;
    return false;
  }
  bool Send(const std::string& bytes) {
    if (!open_) return false;
    if (failingSend_ != 0 && ++sends_ >= failingSend_) return Close();
    wire_ += bytes;
    return true;
  }
  bool Reply(const char* code) {
    if (!open_ || replies_.empty()) return false;
    std::optional<std::string>& piece = replies_.front();
    if (!piece) {
      replies_.pop_front();
      return false;
    }
    const std::string got = piece->substr(0, kReplyBytes);
    piece->erase(0, kReplyBytes);
    if (piece->empty()) replies_.pop_front();
    if (got.size() < 3) return false;
    for (int i = 0; i < 3; ++i) {
      if (std::tolower(static_cast<unsigned char>(got[i])) != code[i]) return false;
    }
    return true;
  }
  // The data as it goes on the wire: a line that begins with "." gets a
  // second one, across the pieces as in one stream.
  static std::string Transparent(const std::string& piece, bool& lineStart, char& previous) {
    std::string out;
    for (char c : piece) {
      if (lineStart && c == '.') out += '.';
      out += c;
      lineStart = c == '\n' && previous == '\r';
      previous = c;
    }
    return out;
  }

  Pieces replies_;
  std::size_t failingSend_;
  bool refused_;
  bool open_ = false;
  std::size_t sends_ = 0;
  std::size_t dataStart_ = 0;
  std::string wire_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::u16string attachmentPath = fuzz::ScratchPath("Crash_1.zip");
  FuzzedDataProvider input(data, size);
  const bool refused = input.ConsumeBool();
  const std::uint8_t failing = input.ConsumeIntegral<std::uint8_t>();
  const std::size_t failingSend = failing < 40 ? failing : 0;
  const int receivers = input.ConsumeIntegralInRange(0, 3);
  Mail mail;
  mail.account = input.ConsumeRandomLengthString(80);
  mail.password = input.ConsumeRandomLengthString(80);
  mail.sender = input.ConsumeRandomLengthString(80);
  for (int i = 0; i < receivers; ++i) mail.receivers.push_back(input.ConsumeRandomLengthString(80));
  mail.senderName = input.ConsumeRandomLengthString(80);
  mail.subject = input.ConsumeRandomLengthString(200);
  mail.body = input.ConsumeRandomLengthString(2000);
  const std::string attachment = input.ConsumeRandomLengthString(30000);
  if (!attachment.empty()) {
    fuzz::WriteScratchFile(attachmentPath, reinterpret_cast<const std::uint8_t*>(attachment.data()),
                           attachment.size());
    mail.attachments.push_back(attachmentPath);
  }
  Pieces replies;
  while (input.remaining_bytes() > 0) {
    std::string piece = input.ConsumeRandomLengthString(1500);
    if (piece.empty()) {
      replies.emplace_back(std::nullopt);  // that receive fails
    } else {
      replies.emplace_back(std::move(piece));
    }
  }

  PieceList message;
  norda::MailContent content{mail.sender, mail.receivers, mail.senderName, mail.subject,
                             mail.body,   mail.attachments, false};
  norda::PutMessageBeforeClosing(content, message);
  Exchange expected(replies, failingSend, refused);
  const bool connected = expected.Connect();
  const bool loggedIn = expected.Login(mail);
  const bool sent = expected.SendMail(mail, message.pieces);

  fuzz::ResetPeer();
  fuzz::FakePeer& peer = fuzz::Peer();
  peer.pieces = replies;
  peer.failingSend = failingSend;
  peer.refuseConnection = refused;
  {
    norda::SmtpClient client;
    Check(client.Connect(kHost, norda::kSmtpPort) == connected, "Connect's result");
    Check(client.Login(mail.account, mail.password) == loggedIn, "Login's result");
    Check(client.SendMail(mail.sender, mail.receivers, mail.senderName, mail.subject, mail.body,
                          mail.attachments, false) == sent,
          "SendMail's result");
  }
  Check(peer.sent == expected.Wire(), "the bytes sent differ from the exchange");
  Check(peer.openSockets == 0, "the socket outlives the client");
  if (sent) {
    // The data, its closing line and QUIT: the first end-of-data line is the last.
    const std::size_t end = peer.sent.find("\r\n.\r\n", expected.DataStart());
    Check(end + 5 + 6 == peer.sent.size(), "the mail data ends before its closing line");
  }
  return 0;
}
