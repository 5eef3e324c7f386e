#include "mail/peer_server.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/support/text.h"
#include "os/files.h"

namespace norda::test {

std::string PeersFolder() {
  const char* source = std::getenv("NORDA_SOURCE_DIR");
  return std::string(source && *source ? source : NORDA_TEST_SOURCE_DIR) + "/tests/peers";
}

bool WaitForFile(const std::u16string& path, double seconds, long long process) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!os::PathExists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (process != 0 && !PeerProcessRunning(process)) return os::PathExists(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

PeerServer::PeerServer(const std::string& script, const std::vector<std::string>& arguments,
                       const ScratchFolder& folder) {
  static int serial = 0;
  const std::u16string name = u"peer" + DecimalText(static_cast<unsigned>(++serial));
  const std::u16string portFile = folder / (name + u".port");
  stopFile_ = folder / (name + u".stop");
  exitedFile_ = folder / (name + u".exited");
  std::vector<std::string> command = {"/usr/bin/python3", PeersFolder() + "/" + script,
                                      "--port-file", PeerPath(portFile),
                                      "--stop-file", PeerPath(stopFile_),
                                      "--exited-file", PeerPath(exitedFile_)};
  command.insert(command.end(), arguments.begin(), arguments.end());
  process_ = StartPeerProcess(command);
  if (process_ == 0 || !WaitForFile(portFile, 30, process_)) return;
  std::ifstream in(NativeFsPath(portFile));
  in >> port_ >> closedPort_;
  if (!in) port_ = closedPort_ = 0;
}

PeerServer::~PeerServer() { Stop(); }

void PeerServer::Stop() {
  if (stopped_ || process_ == 0) return;
  stopped_ = true;
  std::ofstream(NativeFsPath(stopFile_)) << "stop\n";
  WaitForFile(exitedFile_, 15, process_);
  EndPeerProcess(process_);
}

}  // namespace norda::test
