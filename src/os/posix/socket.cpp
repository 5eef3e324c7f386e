#include "os/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace os {
namespace {

// Waits until the socket is ready for events, at most seconds; false when the
// time ran out (or the wait failed).
bool WaitFor(int fd, short events, int seconds) {
  pollfd entry{fd, events, 0};
  for (;;) {
    const int ready = ::poll(&entry, 1, seconds * 1000);
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

// A connect that gives up after seconds: non-blocking, then a wait for the
// socket to become writable, whose outcome SO_ERROR tells.
bool ConnectWithin(int fd, const sockaddr_in& server, int seconds, bool& timedOut) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
  bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0;
  if (!connected && (errno == EINPROGRESS || errno == EINTR)) {
    if (WaitFor(fd, POLLOUT, seconds)) {
      int error = 0;
      socklen_t size = sizeof error;
      connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    } else {
      timedOut = true;
    }
  }
  return ::fcntl(fd, F_SETFL, flags) == 0 && connected;
}

}  // namespace

bool StartSocketLibrary() { return true; }
void ReleaseSocketLibrary() {}

std::optional<std::vector<std::uint32_t>> ResolveHostIpv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return std::nullopt;
  std::vector<std::uint32_t> addresses;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_family != AF_INET || !a->ai_addr) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    addresses.push_back(in->sin_addr.s_addr);
  }
  freeaddrinfo(found);
  return addresses;
}

bool TcpSocket::Create() {
  Close();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool TcpSocket::Connect(std::uint32_t address, std::uint16_t port) {
  timedOut_ = false;
  if (!IsOpen()) return false;
  sockaddr_in server;
  std::memset(&server, 0, sizeof server);
  server.sin_family = AF_INET;
  server.sin_port = htons(port);
  server.sin_addr.s_addr = address;
  if (timeoutSeconds_ > 0) {
    return ConnectWithin(static_cast<int>(handle_), server, timeoutSeconds_, timedOut_);
  }
  for (;;) {
    if (::connect(static_cast<int>(handle_), reinterpret_cast<const sockaddr*>(&server),
                  sizeof server) == 0) {
      return true;
    }
    if (errno != EINTR) return false;
  }
}

bool TcpSocket::Send(std::string_view data) {
  timedOut_ = false;
  if (!IsOpen()) return false;
  if (timeoutSeconds_ > 0) {
    // A blocking send that waits at most the time-out for room to go on.
    const timeval limit{timeoutSeconds_, 0};
    if (::setsockopt(static_cast<int>(handle_), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
      return false;
    }
  }
  // MSG_NOSIGNAL: a closed connection makes the call fail, as it does on
  // Windows, instead of ending the process with SIGPIPE.
  for (;;) {
    if (::send(static_cast<int>(handle_), data.data(), data.size(), MSG_NOSIGNAL) >= 0) return true;
    if (errno == EAGAIN || errno == EWOULDBLOCK) timedOut_ = true;
    if (errno != EINTR) return false;
  }
}

std::optional<std::size_t> TcpSocket::Receive(void* buffer, std::size_t size) {
  timedOut_ = false;
  if (!IsOpen()) return std::nullopt;
  if (timeoutSeconds_ > 0 && !WaitFor(static_cast<int>(handle_), POLLIN, timeoutSeconds_)) {
    timedOut_ = true;
    return std::nullopt;
  }
  for (;;) {
    const ssize_t n = ::recv(static_cast<int>(handle_), buffer, size, 0);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return std::nullopt;
  }
}

void TcpSocket::ShutdownBoth() {
  if (IsOpen()) ::shutdown(static_cast<int>(handle_), SHUT_RDWR);
}

void TcpSocket::Close() {
  if (IsOpen()) {
    ::close(static_cast<int>(handle_));
    handle_ = kInvalid;
  }
}

}  // namespace os
