// A loopback server of tests/peers/, run by /usr/bin/python3 for the length
// of one test: started with its files in a scratch folder, asked for its
// port, stopped through its stop file. Works natively and under Wine (where
// the Windows test program starts the Linux interpreter itself).
#pragma once

#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace norda::test {

class PeerServer {
 public:
  // Starts tests/peers/<script> with the given arguments (Linux paths where
  // they name files) and waits, at most 30 seconds, until it listens.
  PeerServer(const std::string& script, const std::vector<std::string>& arguments,
             const ScratchFolder& folder);
  // Stops the server and waits, at most 15 seconds, until it has ended.
  ~PeerServer();
  PeerServer(const PeerServer&) = delete;
  PeerServer& operator=(const PeerServer&) = delete;

  bool Started() const { return port_ != 0; }
  int Port() const { return port_; }
  // A loopback port on which nothing listens.
  int ClosedPort() const { return closedPort_; }
  // Asks the server to end and waits until it has.
  void Stop();

 private:
  std::u16string stopFile_, exitedFile_;
  int port_ = 0;
  int closedPort_ = 0;
  long long process_ = 0;
  bool stopped_ = false;
};

// The Linux path of a program path (the same file seen by the peers).
std::string PeerPath(const std::u16string& programPath);

// The folder of the peers' scripts (NORDA_SOURCE_DIR + "/tests/peers").
std::string PeersFolder();

// Waits until a file exists, at most the given number of seconds, and no
// longer than the process runs when one is given.
bool WaitForFile(const std::u16string& path, double seconds, long long process = 0);

// Starts the peer process; returns an id for the calls below (0 on failure).
// One implementation per platform.
long long StartPeerProcess(const std::vector<std::string>& commandLine);
// False once the platform knows that the process has ended (Wine's handle to
// a Linux process cannot tell: there it is always true).
bool PeerProcessRunning(long long process);
// Ends a peer process that has not ended by itself, where the platform can.
void EndPeerProcess(long long process);

}  // namespace norda::test
