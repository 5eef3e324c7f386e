// An in-memory peer behind os/socket.h for the network readers' fuzz
// targets. The program is linked with fake_socket.cpp instead of the system
// socket layer; every connection reaches the one peer, whose script says what
// each receive call gets. Nothing touches the network and every run is the
// same for the same script.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace fuzz {

struct FakePeer {
  // What the receive calls get, one piece per call in order, as if the
  // network had delivered the server's bytes in exactly these pieces. A
  // receive smaller than the piece leaves the rest for the next call. No
  // piece left: the peer has closed the connection (receives give 0). A
  // piece with no value: that receive fails.
  std::deque<std::optional<std::string>> pieces;
  // Every byte that the client sent, in order.
  std::string sent;
  // The send call (counted from 1) that fails, and every one after it; 0: none.
  std::size_t failingSend = 0;
  bool refuseConnection = false;

  std::size_t sendCalls = 0;
  int openSockets = 0;  // made and not yet closed
};

// The peer of the process; Reset before each run.
FakePeer& Peer();
void ResetPeer();

}  // namespace fuzz
