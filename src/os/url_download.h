// One HTTP GET, in the steps of the Windows Internet functions (WinInet): a
// connection test, a root handle, a URL handle, the Content-Length of the
// response and its body read in chunks. On Linux the same steps are a small
// HTTP/1.1 client of this layer (src/os/posix/README.md). Every handle is
// closed when the object goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/tls_channel.h"

namespace os {

// What the builds with secure delivery add: a time-out for every connect and
// read (0: wait as the system does) and, for an https:// URL, the certificates
// accepted instead of the system's judgement (none: the system decides).
struct UrlDownloadOptions {
  int timeoutSeconds = 0;
  std::vector<CertificateDigest> pins;
};

// Why the last step that failed failed: its time ran out, the TLS handshake
// or the server's certificate failed, or anything else.
enum class DownloadFailure { kNone, kOther, kTimedOut, kSecurity };

class UrlDownload {
 public:
  explicit UrlDownload(std::u16string url, UrlDownloadOptions options = {});
  ~UrlDownload();
  UrlDownload(const UrlDownload&) = delete;
  UrlDownload& operator=(const UrlDownload&) = delete;

  // Whether the system reports a connection to the Internet
  // (InternetGetConnectedState). Linux has no such report: there it is true
  // unless the URL's host name cannot be resolved.
  bool Connected();
  // The root handle: no user agent, direct access without proxy (InternetOpenW).
  bool OpenRoot();
  // Requests the URL, asking every cache on the way for a fresh copy and for
  // a binary transfer (InternetOpenUrlW). The status code is not examined.
  bool OpenUrl();
  // The response's Content-Length header as a number (HttpQueryInfoW);
  // nothing when the response has none.
  std::optional<std::uint64_t> ContentLength();
  // Reads the next bytes of the body (InternetReadFile): the count read, 0 at
  // the end of the body or when the read fails.
  std::size_t Read(void* buffer, std::size_t size);
  DownloadFailure LastFailure() const { return lastFailure_; }

  struct State;

 private:
  std::u16string url_;
  UrlDownloadOptions options_;
  DownloadFailure lastFailure_ = DownloadFailure::kNone;
  std::unique_ptr<State> state_;
};

}  // namespace os
