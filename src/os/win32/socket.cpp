#include "os/socket.h"

#include <winsock2.h>

#include <cstring>

namespace os {
namespace {

SOCKET AsSocket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// One send or receive call takes at most an int's worth of bytes.
int ClampToInt(std::size_t size) { return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size); }

// A connect that gives up after the time-out: non-blocking, then select until
// the socket is writable (connected) or in error; blocking again afterwards.
// The result, and whether the time ran out.
bool ConnectWithin(SOCKET s, const sockaddr_in& server, int seconds, bool& timedOut) {
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR) return false;
  bool connected =
      ::connect(s, reinterpret_cast<const sockaddr*>(&server), sizeof server) != SOCKET_ERROR;
  if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit = {seconds, 0};
    const int ready = ::select(0, nullptr, &writable, &failed, &limit);
    timedOut = ready == 0;
    int error = 0;
    int size = sizeof error;
    connected = ready > 0 && FD_ISSET(s, &writable) &&
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
                error == 0;
  }
  u_long blocking = 0;
  return ioctlsocket(s, FIONBIO, &blocking) != SOCKET_ERROR && connected;
}

// Every later send and receive fails with WSAETIMEDOUT after that long.
bool LimitTransfers(SOCKET s, int seconds) {
  const DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
  const char* value = reinterpret_cast<const char*>(&milliseconds);
  return setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, value, sizeof milliseconds) == 0 &&
         setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, value, sizeof milliseconds) == 0;
}

}  // namespace

bool StartSocketLibrary() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void ReleaseSocketLibrary() { WSACleanup(); }

std::optional<std::vector<std::uint32_t>> ResolveHostIpv4(const std::string& host) {
  const hostent* entry = gethostbyname(host.c_str());
  if (!entry) return std::nullopt;
  std::vector<std::uint32_t> addresses;
  if (entry->h_addrtype == AF_INET && entry->h_length == 4 && entry->h_addr_list) {
    for (char** a = entry->h_addr_list; *a; ++a) {
      std::uint32_t address;
      std::memcpy(&address, *a, sizeof address);
      addresses.push_back(address);
    }
  }
  return addresses;
}

bool TcpSocket::Create() {
  Close();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return false;
  handle_ = static_cast<std::intptr_t>(s);
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
  if (timeoutSeconds_ <= 0) {
    return ::connect(AsSocket(handle_), reinterpret_cast<const sockaddr*>(&server), sizeof server) !=
           SOCKET_ERROR;
  }
  return ConnectWithin(AsSocket(handle_), server, timeoutSeconds_, timedOut_) &&
         LimitTransfers(AsSocket(handle_), timeoutSeconds_);
}

bool TcpSocket::Send(std::string_view data) {
  timedOut_ = false;
  if (!IsOpen()) return false;
  if (::send(AsSocket(handle_), data.data(), ClampToInt(data.size()), 0) != SOCKET_ERROR) return true;
  timedOut_ = WSAGetLastError() == WSAETIMEDOUT;
  return false;
}

std::optional<std::size_t> TcpSocket::Receive(void* buffer, std::size_t size) {
  timedOut_ = false;
  if (!IsOpen()) return std::nullopt;
  const int n = ::recv(AsSocket(handle_), static_cast<char*>(buffer), ClampToInt(size), 0);
  if (n == SOCKET_ERROR || n < 0) {
    timedOut_ = WSAGetLastError() == WSAETIMEDOUT;
    return std::nullopt;
  }
  return static_cast<std::size_t>(n);
}

void TcpSocket::ShutdownBoth() {
  if (IsOpen()) ::shutdown(AsSocket(handle_), SD_BOTH);
}

void TcpSocket::Close() {
  if (IsOpen()) {
    ::closesocket(AsSocket(handle_));
    handle_ = kInvalid;
  }
}

}  // namespace os
