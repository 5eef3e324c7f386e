// Linux programs run beside the program under test, natively and under Wine: the loopback servers of
// tests/peers/ and readers of its output. Each runs from a shell script; files it leaves tell when it
// listens and when it has ended, as under Wine a Linux process cannot be waited on.
#pragma once

#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace norda::test {

using Lines = std::vector<std::string>;

inline Lines Then(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// A server of tests/peers/ for the length of one test.
class PeerServer {
 public:
  // Starts tests/peers/<script> (Linux paths in the arguments); waits at most 30 s until it listens.
  PeerServer(const std::string& script, const Lines& arguments, const ScratchFolder& folder);
  ~PeerServer() { Stop(); }
  PeerServer(const PeerServer&) = delete;
  PeerServer& operator=(const PeerServer&) = delete;

  bool Started() const { return port_ != 0; }
  int Port() const { return port_; }
  // Asks the server to end through its stop file; waits at most 15 seconds.
  void Stop();

 private:
  std::u16string stopFile_, exitedFile_;
  int port_ = 0;
  bool running_ = false;
};

// Runs a Linux program to its end, at most two minutes.
struct HostResult {
  int status = -1;
  std::string output;  // standard output and standard error
};
HostResult RunOnHost(const Lines& commandLine, const ScratchFolder& folder);

// The folder of the peers' scripts (NORDA_SOURCE_DIR + "/tests/peers").
std::string PeersFolder();

// Waits until a file exists, at most the given number of seconds.
bool WaitForFile(const std::u16string& path, double seconds);

// A text's lines, without their line ends.
Lines SplitLines(const std::string& text);

// Per platform: the Linux path of a program path, and the start of /bin/sh on a script.
std::string PeerPath(const std::u16string& programPath);
bool StartShell(const std::string& script);

}  // namespace norda::test
