#include "core/mail/settings_download.h"

#include <cstring>
#include <vector>

#include "build_settings.h"
#include "core/mail/send_error_log.h"
#include "os/file.h"
#include "os/url_download.h"

namespace norda {
namespace {

class SystemUrlSource : public UrlSource {
 public:
  SystemUrlSource(const std::u16string& url, const DeliverySecurity& security)
      : download_(url, os::UrlDownloadOptions{security.timeoutSeconds, security.pins}) {}
  bool Connected() override { return download_.Connected(); }
  bool OpenRoot() override { return download_.OpenRoot(); }
  bool OpenUrl() override { return download_.OpenUrl(); }
  std::optional<std::uint64_t> ContentLength() override { return download_.ContentLength(); }
  std::size_t Read(void* buffer, std::size_t size) override {
    return download_.Read(buffer, size);
  }
  os::DownloadFailure LastFailure() const override { return download_.LastFailure(); }

 private:
  os::UrlDownload download_;
};

}  // namespace

std::u16string SenderSettingsUrl() {
  return std::u16string(NORDA_SETTINGS_BASE_URL) + u"/norda+/vozavededavu/CrMailInfo/CrSendInfo.txt";
}

std::u16string ReceiverSettingsUrl() {
  return std::u16string(NORDA_SETTINGS_BASE_URL) +
         u"/norda+/vozavededavu/CrMailInfo/CrReciverInfo.txt";
}

bool DownloadUrlToFile(const std::u16string& url, const std::u16string& localPath,
                       const DeliverySecurity& security) {
  SystemUrlSource source(url, security);
  return DownloadToFile(source, localPath);
}

bool DownloadToFile(UrlSource& source, const std::u16string& localPath) {
  if (!source.Connected()) {
    LogSendError(kTagInetConnectFailed);
    return false;
  }
  if (!source.OpenRoot()) {
    LogSendError(kTagInetOpenFailed);
    return false;
  }
  if (!source.OpenUrl()) {
    const os::DownloadFailure why = source.LastFailure();
    LogSendError(why == os::DownloadFailure::kTimedOut   ? kTagInetOpenUrlTimedOut
                 : why == os::DownloadFailure::kSecurity ? kTagInetOpenUrlSecurityFailed
                                                         : kTagInetOpenUrlFailed);
    return false;
  }
  // The status code is not looked at: an error page is saved like the file.
  const std::uint64_t expected = source.ContentLength().value_or(0);
  os::File file = os::File::CreateForReadWrite(localPath);
  if (!file.IsOpen()) {
    LogSendError(kTagCreateFileFailed);
    return false;
  }
  std::vector<char> buffer(kDownloadChunkBytes);
  std::uint64_t total = 0;
  while (source.Connected()) {
    std::memset(buffer.data(), 0, buffer.size());
    const std::size_t got = source.Read(buffer.data(), buffer.size());
    if (got == 0) {
      if (source.LastFailure() == os::DownloadFailure::kTimedOut) {
        LogSendError(kTagWhileInetReadFileTimedOut);
        return false;
      }
      if (total >= expected) return true;
      LogSendError(kTagWhileInetReadFileFailed);
      return false;
    }
    total += got;
    if (!file.Write(buffer.data(), got)) {
      LogSendError(kTagWhileInetWriteFileFailed);
      return false;
    }
  }
  LogSendError(kTagWhileInetConnectFailed);
  return false;
}

}  // namespace norda
