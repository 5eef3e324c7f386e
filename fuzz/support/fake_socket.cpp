// The definitions of os/socket.h for the fuzz targets (see fake_socket.h).
// They must define everything that os/posix/socket.cpp defines: should the
// two drift apart, the linker pulls that file in as well and reports the
// names defined twice.
#include "support/fake_socket.h"

#include <cstring>

#include "os/socket.h"

namespace fuzz {

FakePeer& Peer() {
  static FakePeer peer;
  return peer;
}

void ResetPeer() {
  const int open = Peer().openSockets;
  Peer() = FakePeer{};
  Peer().openSockets = open;
}

}  // namespace fuzz

namespace os {

namespace {
// 127.0.0.1 in network byte order.
constexpr std::uint32_t kLoopback = 0x0100007F;
std::intptr_t nextHandle = 100;
}  // namespace

bool StartSocketLibrary() { return true; }
void ReleaseSocketLibrary() {}

std::optional<std::vector<std::uint32_t>> ResolveHostIpv4(const std::string& host) {
  if (host.empty()) return std::nullopt;
  return std::vector<std::uint32_t>{kLoopback};
}

bool TcpSocket::Create() {
  Close();
  handle_ = nextHandle++;
  ++fuzz::Peer().openSockets;
  return true;
}

bool TcpSocket::Connect(std::uint32_t, std::uint16_t) {
  return IsOpen() && !fuzz::Peer().refuseConnection;
}

bool TcpSocket::Send(std::string_view data) {
  if (!IsOpen()) return false;
  fuzz::FakePeer& peer = fuzz::Peer();
  ++peer.sendCalls;
  if (peer.failingSend != 0 && peer.sendCalls >= peer.failingSend) return false;
  peer.sent.append(data.data(), data.size());
  return true;
}

std::optional<std::size_t> TcpSocket::Receive(void* buffer, std::size_t size) {
  if (!IsOpen()) return std::nullopt;
  fuzz::FakePeer& peer = fuzz::Peer();
  if (peer.pieces.empty() || size == 0) return 0;
  std::optional<std::string>& piece = peer.pieces.front();
  if (!piece) {
    peer.pieces.pop_front();
    return std::nullopt;
  }
  const std::size_t n = std::min(size, piece->size());
  std::memcpy(buffer, piece->data(), n);
  piece->erase(0, n);
  if (piece->empty()) peer.pieces.pop_front();
  return n;
}

void TcpSocket::ShutdownBoth() {}

void TcpSocket::Close() {
  if (IsOpen()) {
    handle_ = kInvalid;
    --fuzz::Peer().openSockets;
  }
}

}  // namespace os
