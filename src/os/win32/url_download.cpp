#include "os/url_download.h"

#include <windows.h>
#include <wininet.h>

#include "os/win32/wide.h"

namespace os {
namespace {

// An Internet handle, closed with InternetCloseHandle; nullptr is invalid.
class InternetHandle {
 public:
  InternetHandle() = default;
  ~InternetHandle() { Reset(nullptr); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  void Reset(HINTERNET handle) {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET Get() const { return handle_; }

 private:
  HINTERNET handle_ = nullptr;
};

}  // namespace

struct UrlDownload::State {
  // Declared root first: the URL handle is closed before its root.
  InternetHandle root;
  InternetHandle url;
};

UrlDownload::UrlDownload(std::u16string url, UrlDownloadOptions options)
    : url_(std::move(url)), options_(std::move(options)), state_(new State) {}

UrlDownload::~UrlDownload() = default;

bool UrlDownload::Connected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

bool UrlDownload::OpenRoot() {
  state_->root.Reset(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  return state_->root.Get() != nullptr;
}

bool UrlDownload::OpenUrl() {
  if (!state_->root.Get()) return false;
  state_->url.Reset(InternetOpenUrlW(state_->root.Get(), win32::W(url_), nullptr, 0,
                                     INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_TRANSFER_BINARY,
                                     0));
  return state_->url.Get() != nullptr;
}

std::optional<std::uint64_t> UrlDownload::ContentLength() {
  if (!state_->url.Get()) return std::nullopt;
  DWORD length = 0;
  DWORD size = sizeof length;
  if (!HttpQueryInfoW(state_->url.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                      &length, &size, nullptr)) {
    return std::nullopt;
  }
  return length;
}

std::size_t UrlDownload::Read(void* buffer, std::size_t size) {
  if (!state_->url.Get()) return 0;
  DWORD got = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!InternetReadFile(state_->url.Get(), buffer, want, &got)) return 0;
  return got;
}

}  // namespace os
