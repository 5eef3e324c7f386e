// A small HTTP/1.1 GET client standing in for WinInet on Linux: http and
// https URLs (the latter over os::TlsChannel), one request per object,
// "Connection: close", the body delimited by Content-Length, by chunked
// transfer coding (RFC 9112 7.1) or by the end of the connection. With a
// time-out, the connect and every receive give up after it.
#include "os/url_download.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/utf8.h"
#include "os/socket.h"

namespace os {
namespace {

// A response header larger than this is not a settings server's answer.
constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
constexpr std::size_t kReceiveBytes = 16 * 1024;

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(text[i]) != lower(prefix[i])) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::uint64_t> ParseDecimal(std::string_view digits) {
  if (digits.empty() || digits.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

std::optional<std::uint64_t> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 15) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + static_cast<unsigned>(d);
  }
  return value;
}

// Bytes outside printable ASCII are percent-encoded on the request line.
std::string EncodePath(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

struct UrlDownload::State {
  bool parsed = false;
  std::string host;
  std::uint16_t port = 80;
  std::string hostHeader;
  std::string path;
  std::optional<bool> resolvable;
  bool secure = false;

  TcpSocket socket;
  std::unique_ptr<TlsChannel> tls;  // https: every byte after the connect
  DownloadFailure failure = DownloadFailure::kNone;
  std::string pending;  // received and not yet handed out
  bool peerClosed = false;
  std::optional<std::uint64_t> contentLength;
  bool chunked = false;
  std::uint64_t delivered = 0;
  std::uint64_t chunkLeft = 0;  // bytes left in the current chunk
  bool bodyEnded = false;

  bool Parse(const std::string& url);
  bool Receive();
  std::optional<std::string> TakeLine();
  std::size_t TakeBody(void* buffer, std::size_t size);
};

bool UrlDownload::State::Parse(const std::string& url) {
  constexpr std::string_view kPlain = "http://", kSecure = "https://";
  secure = StartsWithIgnoreCase(url, kSecure);
  if (!secure && !StartsWithIgnoreCase(url, kPlain)) return false;
  if (secure) port = 443;
  std::string_view rest = std::string_view(url).substr((secure ? kSecure : kPlain).size());
  const std::size_t slash = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, slash);
  path = slash == std::string_view::npos ? "/" : EncodePath(rest.substr(slash));
  const std::size_t fragment = path.find('#');
  if (fragment != std::string::npos) path.erase(fragment);
  if (path.empty() || path[0] != '/') path.insert(0, "/");
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  hostHeader = std::string(authority);
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos) {
    const auto number = ParseDecimal(authority.substr(colon + 1));
    if (!number || *number == 0 || *number > 65535) return false;
    port = static_cast<std::uint16_t>(*number);
    authority = authority.substr(0, colon);
  }
  host = std::string(authority);
  return !host.empty();
}

bool UrlDownload::State::Receive() {
  if (peerClosed) return false;
  char buffer[kReceiveBytes];
  const auto n = tls ? tls->Receive(buffer, sizeof buffer) : socket.Receive(buffer, sizeof buffer);
  if (!n || *n == 0) {
    if (!n) failure = socket.TimedOut() ? DownloadFailure::kTimedOut : DownloadFailure::kOther;
    peerClosed = true;
    return false;
  }
  pending.append(buffer, *n);
  return true;
}

std::optional<std::string> UrlDownload::State::TakeLine() {
  for (;;) {
    const std::size_t end = pending.find('\n');
    if (end != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (pending.size() > kMaxHeaderBytes || !Receive()) return std::nullopt;
  }
}

std::size_t UrlDownload::State::TakeBody(void* buffer, std::size_t size) {
  if (pending.empty() && !Receive()) return 0;
  const std::size_t n = std::min(size, pending.size());
  std::memcpy(buffer, pending.data(), n);
  pending.erase(0, n);
  return n;
}

UrlDownload::UrlDownload(std::u16string url, UrlDownloadOptions options)
    : url_(std::move(url)), options_(std::move(options)), state_(new State) {
  state_->parsed = state_->Parse(norda::Utf16ToUtf8(url_));
}

UrlDownload::~UrlDownload() = default;

bool UrlDownload::Connected() {
  // A URL that cannot be parsed fails when it is opened, as with WinInet.
  if (!state_->parsed) return true;
  if (!state_->resolvable) state_->resolvable = ResolveHostIpv4(state_->host).has_value();
  return *state_->resolvable;
}

bool UrlDownload::OpenRoot() { return true; }

namespace {

// Connects, shakes hands for https, sends the request and reads the header.
bool Request(UrlDownload::State& s, const UrlDownloadOptions& options) {
  s.failure = DownloadFailure::kOther;
  if (!s.parsed) return false;
  const auto addresses = ResolveHostIpv4(s.host);
  if (!addresses) return false;
  bool connected = false;
  s.socket.SetTimeout(options.timeoutSeconds);
  for (std::uint32_t address : *addresses) {
    if (s.socket.Create() && s.socket.Connect(address, s.port)) {
      connected = true;
      break;
    }
    if (s.socket.TimedOut()) s.failure = DownloadFailure::kTimedOut;
  }
  if (!connected) return false;
  s.failure = DownloadFailure::kOther;
  if (s.secure) {
    s.tls = std::make_unique<TlsChannel>(s.socket);
    const TlsFailure failure = s.tls->Handshake(TlsPeerCheck{s.host, options.pins});
    if (failure != TlsFailure::kNone) {
      s.failure = failure == TlsFailure::kTimedOut ? DownloadFailure::kTimedOut : DownloadFailure::kSecurity;
      return false;
    }
  }
  // Pragma and Cache-Control ask every cache on the way for a fresh copy.
  const std::string request = "GET " + s.path + " HTTP/1.1\r\nHost: " + s.hostHeader +
                              "\r\nAccept: */*\r\nPragma: no-cache\r\nCache-Control: no-cache"
                              "\r\nConnection: close\r\n\r\n";
  if (!(s.tls ? s.tls->Send(request) : s.socket.Send(request))) {
    if (s.socket.TimedOut()) s.failure = DownloadFailure::kTimedOut;
    return false;
  }

  const auto status = s.TakeLine();
  if (!status || !StartsWithIgnoreCase(*status, "HTTP/")) return false;
  for (;;) {
    const auto line = s.TakeLine();
    if (!line) return false;
    if (line->empty()) break;
    const std::string_view field(*line);
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = TrimBlanks(field.substr(0, colon));
    const std::string_view value = TrimBlanks(field.substr(colon + 1));
    if (name.size() == 14 && StartsWithIgnoreCase(name, "content-length")) {
      s.contentLength = ParseDecimal(value);
    } else if (name.size() == 17 && StartsWithIgnoreCase(name, "transfer-encoding")) {
      s.chunked = value.size() >= 7 && StartsWithIgnoreCase(value.substr(value.size() - 7), "chunked");
    }
  }
  // A chunked body carries no usable Content-Length (RFC 9112 6.3).
  if (s.chunked) s.contentLength.reset();
  return true;
}

}  // namespace

bool UrlDownload::OpenUrl() {
  const bool opened = Request(*state_, options_);
  lastFailure_ = opened ? DownloadFailure::kNone : state_->failure;
  return opened;
}

std::optional<std::uint64_t> UrlDownload::ContentLength() { return state_->contentLength; }

namespace {

std::size_t ReadBody(UrlDownload::State& s, void* buffer, std::size_t size) {
  if (!s.socket.IsOpen() || s.bodyEnded || size == 0) return 0;
  if (!s.chunked) {
    std::size_t want = size;
    if (s.contentLength) {
      const std::uint64_t left = *s.contentLength - s.delivered;
      if (left == 0) return 0;
      if (left < want) want = static_cast<std::size_t>(left);
    }
    const std::size_t n = s.TakeBody(buffer, want);
    s.delivered += n;
    return n;
  }
  if (s.chunkLeft == 0) {
    const auto sizeLine = s.TakeLine();
    if (!sizeLine) return 0;
    std::string_view digits(*sizeLine);
    digits = TrimBlanks(digits.substr(0, digits.find(';')));
    const auto chunkSize = ParseHex(digits);
    if (!chunkSize || *chunkSize == 0) {
      s.bodyEnded = true;
      return 0;
    }
    s.chunkLeft = *chunkSize;
  }
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, s.chunkLeft));
  const std::size_t n = s.TakeBody(buffer, want);
  s.chunkLeft -= n;
  s.delivered += n;
  if (s.chunkLeft == 0 && n > 0) s.TakeLine();  // the CR LF after the chunk's data
  return n;
}

}  // namespace

std::size_t UrlDownload::Read(void* buffer, std::size_t size) {
  state_->failure = DownloadFailure::kNone;
  const std::size_t n = ReadBody(*state_, buffer, size);
  lastFailure_ = state_->failure;
  return n;
}

}  // namespace os
