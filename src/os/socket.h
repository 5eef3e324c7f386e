// A blocking IPv4 TCP socket and the socket library behind it: WinSock 2 on
// Windows, BSD sockets on Linux. Each call is one system call, so that the
// mail client above sends one command per send and judges one receive per reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// Starts the socket library, version 2.2 (WSAStartup); always true on Linux.
bool StartSocketLibrary();
// Releases one start of the socket library (WSACleanup); nothing on Linux.
void ReleaseSocketLibrary();

// The IPv4 addresses of a host name or dotted address, in network byte order,
// first address first (gethostbyname). Nothing when the name has no entry; an
// empty list when the entry holds no address.
std::optional<std::vector<std::uint32_t>> ResolveHostIpv4(const std::string& host);

class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket() { Close(); }
  TcpSocket(TcpSocket&& other) noexcept
      : handle_(other.handle_), timeoutSeconds_(other.timeoutSeconds_), timedOut_(other.timedOut_) {
    other.handle_ = kInvalid;
  }
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // A new IPv4 stream socket (an open one is closed first).
  bool Create();
  bool IsOpen() const { return handle_ != kInvalid; }
  // Connects to an IPv4 address (network byte order) and a port.
  bool Connect(std::uint32_t address, std::uint16_t port);
  // One send call with the whole data and no flags; false only when the call
  // reports an error (the count that it sent is not compared with the size).
  bool Send(std::string_view data);
  // One receive call, blocking; the count received (0 when the peer has closed
  // the connection), or nothing on error.
  std::optional<std::size_t> Receive(void* buffer, std::size_t size);
  // Gives every later connect, send and receive at most this many seconds
  // before it fails (0, the default: they wait as long as the system does).
  void SetTimeout(int seconds) { timeoutSeconds_ = seconds; }
  // Whether the last call that failed failed because its time ran out.
  bool TimedOut() const { return timedOut_; }
  // Shuts the connection down in both directions; the socket stays open.
  void ShutdownBoth();
  void Close();

 private:
  // INVALID_SOCKET on Windows, -1 on Linux: both are all bits set.
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t handle_ = kInvalid;
  int timeoutSeconds_ = 0;
  bool timedOut_ = false;
};

inline TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    timeoutSeconds_ = other.timeoutSeconds_;
    timedOut_ = other.timedOut_;
    other.handle_ = kInvalid;
  }
  return *this;
}

}  // namespace os
