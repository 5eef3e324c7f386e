#include "os/url_download.h"

#include <windows.h>
#include <wininet.h>

#include "os/win32/certificate_check.h"
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

// Why a WinInet call failed, from its last error.
DownloadFailure FailureOf(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_TIMEOUT:
      return DownloadFailure::kTimedOut;
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
      return DownloadFailure::kSecurity;
    default:
      return DownloadFailure::kOther;
  }
}

bool IsHttps(const std::u16string& url) {
  static const char16_t kScheme[] = u"https://";
  if (url.size() < 8) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if ((url[i] | 0x20) != kScheme[i] && url[i] != kScheme[i]) return false;
  }
  return true;
}

}  // namespace

struct UrlDownload::State {
  // Declared root first: the URL handle is closed before its root, and a
  // request before its connection.
  InternetHandle root;
  InternetHandle connection;
  InternetHandle url;
};

namespace {

// With pins, WinInet's own judgement of the certificate is turned off and the
// server's certificate is compared with the pins once the response's headers
// are in, before any byte of the body is read.
bool OpenPinnedUrl(UrlDownload::State& state, const std::u16string& url,
                   const std::vector<CertificateDigest>& pins) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(win32::W(url), 0, 0, &parts)) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                            std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  state.connection.Reset(InternetConnectW(state.root.Get(), host.c_str(), parts.nPort, nullptr,
                                            nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!state.connection.Get()) return false;
  state.url.Reset(HttpOpenRequestW(
      state.connection.Get(), nullptr, path.empty() ? L"/" : path.c_str(), nullptr, nullptr, nullptr,
      INTERNET_FLAG_SECURE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD |
          INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
          INTERNET_FLAG_IGNORE_CERT_DATE_INVALID,
      0));
  if (!state.url.Get()) return false;
  DWORD flags = 0;
  DWORD size = sizeof flags;
  InternetQueryOptionW(state.url.Get(), INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
  flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION |
           SECURITY_FLAG_IGNORE_WRONG_USAGE;
  if (!InternetSetOptionW(state.url.Get(), INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags) ||
      !HttpSendRequestW(state.url.Get(), nullptr, 0, nullptr, 0)) {
    return false;
  }
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  size = sizeof chain;
  const bool known = InternetQueryOptionW(state.url.Get(), INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT,
                                          &chain, &size) &&
                     chain && chain->cChain > 0 && chain->rgpChain[0]->cElement > 0;
  TlsPeerCheck check;
  check.pins = pins;
  const bool accepted =
      known && win32::CertificateAccepted(chain->rgpChain[0]->rgpElement[0]->pCertContext, check);
  if (chain) CertFreeCertificateChain(chain);
  if (!accepted) {
    state.url.Reset(nullptr);
    SetLastError(ERROR_INTERNET_SEC_INVALID_CERT);
    return false;
  }
  return true;
}

}  // namespace

UrlDownload::UrlDownload(std::u16string url, UrlDownloadOptions options)
    : url_(std::move(url)), options_(std::move(options)), state_(new State) {}

UrlDownload::~UrlDownload() = default;

bool UrlDownload::Connected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

bool UrlDownload::OpenRoot() {
  state_->root.Reset(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!state_->root.Get()) {
    lastFailure_ = DownloadFailure::kOther;
    return false;
  }
  if (options_.timeoutSeconds > 0) {
    // The handles made from the root inherit its time-outs.
    DWORD milliseconds = static_cast<DWORD>(options_.timeoutSeconds) * 1000;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT}) {
      if (!InternetSetOptionW(state_->root.Get(), option, &milliseconds, sizeof milliseconds)) {
        lastFailure_ = DownloadFailure::kOther;
        return false;
      }
    }
  }
  return true;
}


bool UrlDownload::OpenUrl() {
  if (!state_->root.Get()) return false;
  if (!options_.pins.empty() && IsHttps(url_)) {
    if (OpenPinnedUrl(*state_, url_, options_.pins)) return true;
    lastFailure_ = FailureOf(GetLastError());
    return false;
  }
  state_->url.Reset(InternetOpenUrlW(state_->root.Get(), win32::W(url_), nullptr, 0,
                                     INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_TRANSFER_BINARY,
                                     0));
  if (!state_->url.Get()) lastFailure_ = FailureOf(GetLastError());
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
  if (!InternetReadFile(state_->url.Get(), buffer, want, &got)) {
    lastFailure_ = FailureOf(GetLastError());
    return 0;
  }
  return got;
}

}  // namespace os
