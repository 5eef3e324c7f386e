#include "os/url_download.h"

#include <windows.h>
#include <wininet.h>

#include "os/win32/internet_handle.h"
#include "os/win32/tls_download.h"
#include "os/win32/wide.h"

namespace os {
namespace {

bool IsSecurityError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
      return true;
    default:
      return false;
  }
}

// Why a WinInet call that began at `started` failed. A time-out is told only
// where one was set, a security failure only for an https:// URL: the default
// build's downloads fail as one kind, as its log has one tag for them.
// Wine's WinInet reports a receive whose time ran out as an aborted
// connection: an abort after the whole time-out counts as a time-out.
DownloadFailure FailureOf(DWORD error, ULONGLONG started, int timeoutSeconds, bool https) {
  if (timeoutSeconds > 0 &&
      (error == ERROR_INTERNET_TIMEOUT ||
       (error == ERROR_INTERNET_CONNECTION_ABORTED &&
        GetTickCount64() - started >= static_cast<ULONGLONG>(timeoutSeconds) * 1000))) {
    return DownloadFailure::kTimedOut;
  }
  return https && IsSecurityError(error) ? DownloadFailure::kSecurity : DownloadFailure::kOther;
}

bool IsHttps(const std::u16string& url) {
  static const char16_t kScheme[] = u"https://";
  if (url.size() < 8) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if ((url[i] | 0x20) != kScheme[i]) return false;  // ':' and '/' have that bit set too
  }
  return true;
}

}  // namespace

struct UrlDownload::State {
  // Declared root first: the URL handle is closed before its root, and a
  // request before its connection.
  win32::InternetHandle root;
  win32::InternetHandle connection;
  win32::InternetHandle url;
};

namespace {

// Gives connects, sends and receives on the handle at most that many seconds
// (none when 0).
bool LimitTime(HINTERNET handle, int seconds) {
  if (seconds <= 0) return true;
  DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_SEND_TIMEOUT}) {
    if (!InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds)) return false;
  }
  return true;
}

// The request in its steps (connection, request, send), for the builds with
// time-outs or pins: the time-outs are set on each handle, as Wine's WinInet
// takes them only there, and with pins WinInet's own judgement of the
// certificate is turned off and the server's certificate compared with the
// pins once the response's headers are in, before any byte of the body is
// read. On failure the request handle stays empty and the error says why.
DWORD OpenStepwise(UrlDownload::State& state, const std::u16string& url, const UrlDownloadOptions& options) {
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(win32::W(url), 0, 0, &parts)) return GetLastError();
  const bool https = parts.nScheme == INTERNET_SCHEME_HTTPS;
  const bool pinned = https && !options.pins.empty();
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                      std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";
  state.connection.Reset(InternetConnectW(state.root.Get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0));
  if (!state.connection.Get() || !LimitTime(state.connection.Get(), options.timeoutSeconds)) {
    return GetLastError();
  }
  DWORD flags = INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (https) flags |= INTERNET_FLAG_SECURE;
  if (pinned) flags |= INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;
  win32::InternetHandle request;
  request.Reset(
      HttpOpenRequestW(state.connection.Get(), nullptr, path.c_str(), nullptr, nullptr, nullptr, flags, 0));
  if (!request.Get() || !LimitTime(request.Get(), options.timeoutSeconds)) return GetLastError();
  if (pinned) {
    DWORD security = 0;
    DWORD size = sizeof security;
    InternetQueryOptionW(request.Get(), INTERNET_OPTION_SECURITY_FLAGS, &security, &size);
    security |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION |
                SECURITY_FLAG_IGNORE_WRONG_USAGE;
    if (!InternetSetOptionW(request.Get(), INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security)) {
      return GetLastError();
    }
  }
  if (!HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) return GetLastError();
  if (pinned && !win32::ServerCertificatePinned(request.Get(), options.pins)) {
    return ERROR_INTERNET_SEC_INVALID_CERT;
  }
  state.url.Reset(request.Get());
  request.Release();
  return ERROR_SUCCESS;
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
  if (state_->root.Get() && LimitTime(state_->root.Get(), options_.timeoutSeconds)) return true;
  lastFailure_ = DownloadFailure::kOther;
  return false;
}

bool UrlDownload::OpenUrl() {
  if (!state_->root.Get()) return false;
  const bool stepwise = options_.timeoutSeconds > 0 || (!options_.pins.empty() && IsHttps(url_));
  DWORD error = ERROR_SUCCESS;
  const ULONGLONG started = GetTickCount64();
  if (stepwise) {
    error = OpenStepwise(*state_, url_, options_);
  } else {
    state_->url.Reset(InternetOpenUrlW(state_->root.Get(), win32::W(url_), nullptr, 0,
                                       INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_TRANSFER_BINARY, 0));
    if (!state_->url.Get()) error = GetLastError();
  }
  if (!state_->url.Get()) lastFailure_ = FailureOf(error, started, options_.timeoutSeconds, IsHttps(url_));
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
  const ULONGLONG started = GetTickCount64();
  if (!InternetReadFile(state_->url.Get(), buffer, want, &got)) {
    // Only a time-out is told apart; any other failed read ends the body.
    const DownloadFailure why = FailureOf(GetLastError(), started, options_.timeoutSeconds, false);
    lastFailure_ = why == DownloadFailure::kTimedOut ? why : DownloadFailure::kNone;
    return 0;
  }
  return got;
}

}  // namespace os
