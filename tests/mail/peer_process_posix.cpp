#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "mail/peer_server.h"

extern char** environ;

namespace norda::test {

std::string PeerPath(const std::u16string& programPath) { return NativeFsPath(programPath).string(); }

long long StartPeerProcess(const std::vector<std::string>& commandLine) {
  std::vector<char*> argv;
  for (const std::string& argument : commandLine) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return 0;
  return pid;
}

bool PeerProcessRunning(long long process) {
  int status = 0;
  return waitpid(static_cast<pid_t>(process), &status, WNOHANG) == 0;
}

void EndPeerProcess(long long process) {
  const pid_t pid = static_cast<pid_t>(process);
  // The peer has normally ended by now; a hung one is ended after a bound.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (waitpid(pid, nullptr, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace norda::test
