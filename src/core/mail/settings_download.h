// Fetching a mail settings file from the settings server into a local file.
// The steps and their failure tags are here; the system's HTTP calls are
// behind UrlSource, which os::UrlDownload implements for real downloads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/mail/delivery_security.h"
#include "os/url_download.h"

namespace norda {

// The settings server's two files: the base URL is a build setting.
std::u16string SenderSettingsUrl();
std::u16string ReceiverSettingsUrl();

// Local names of the two downloaded files in the temporary folder.
constexpr char16_t kSenderSettingsFileName[] = u"MailSendInfo.log";
constexpr char16_t kReceiverSettingsFileName[] = u"MailReciver.log";

constexpr char16_t kTagInetConnectFailed[] = u"InetConnectFailed!";
constexpr char16_t kTagInetOpenFailed[] = u"InetOpenFailed!";
constexpr char16_t kTagInetOpenUrlFailed[] = u"InetOpenUrlFailed!";
constexpr char16_t kTagCreateFileFailed[] = u"CreateFileFailed!";
constexpr char16_t kTagWhileInetConnectFailed[] = u"WhileInetConnectFailed!";
constexpr char16_t kTagWhileInetReadFileFailed[] = u"WhileInetReadFileFailed!";
constexpr char16_t kTagWhileInetWriteFileFailed[] = u"WhileInetWriteFileFailed!";
// Instead of the step's own tag when the request's time ran out or its TLS
// handshake or certificate failed, and when a read's time ran out.
constexpr char16_t kTagInetOpenUrlTimedOut[] = u"InetOpenUrlTimedOut!";
constexpr char16_t kTagInetOpenUrlSecurityFailed[] = u"InetOpenUrlSecurityFailed!";
constexpr char16_t kTagWhileInetReadFileTimedOut[] = u"WhileInetReadFileTimedOut!";

// The body is moved in chunks of this size through one buffer.
constexpr std::size_t kDownloadChunkBytes = 32768;

// One HTTP GET in the system's steps (see os/url_download.h).
class UrlSource {
 public:
  virtual ~UrlSource() = default;
  virtual bool Connected() = 0;
  virtual bool OpenRoot() = 0;
  virtual bool OpenUrl() = 0;
  virtual std::optional<std::uint64_t> ContentLength() = 0;
  // The count read; 0 at the end of the body or when the read failed.
  virtual std::size_t Read(void* buffer, std::size_t size) = 0;
  // Why the last step that failed failed.
  virtual os::DownloadFailure LastFailure() const { return os::DownloadFailure::kOther; }
};

// Fetches the URL and writes the response body, whatever its status, to the
// local file (created anew). True only when the whole body, at least as long
// as its Content-Length, was received and written. A response without
// Content-Length is complete when its body has ended. A failed download
// leaves the bytes written so far in the file. A read whose time ran out
// fails also where no Content-Length was given. DownloadUrlToFile takes the
// time-out and pins of the delivery settings.
bool DownloadUrlToFile(const std::u16string& url, const std::u16string& localPath,
                       const DeliverySecurity& security = BuildDeliverySecurity());
bool DownloadToFile(UrlSource& source, const std::u16string& localPath);

}  // namespace norda
