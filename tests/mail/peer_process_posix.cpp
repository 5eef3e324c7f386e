#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

#include "mail/peer_server.h"

extern char** environ;

namespace norda::test {

std::string PeerPath(const std::u16string& programPath) { return NativeFsPath(programPath).string(); }

bool StartShell(const std::string& script) {
  // The shells that have ended are reaped at the next start.
  static std::vector<pid_t> started;
  started.erase(std::remove_if(started.begin(), started.end(),
                               [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == pid; }),
                started.end());
  std::string shell = "/bin/sh", path = script;
  char* argv[] = {shell.data(), path.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return false;
  started.push_back(pid);
  return true;
}

}  // namespace norda::test
