#include "support/run_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace norda::test {

CommandResult RunCommand(const std::vector<std::string>& arguments, int timeoutSeconds) {
  CommandResult result;
  int pipeFds[2];
  if (arguments.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) return result;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[1], 1);
    dup2(pipeFds[1], 2);
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      kill(child, SIGKILL);
      result.output += "\n[timed out]";
      break;
    }
    pollfd p = {pipeFds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string SourceDir() {
  const char* dir = std::getenv("NORDA_SOURCE_DIR");
  return dir ? dir : NORDA_TEST_SOURCE_DIR;
}

std::string BinaryDir() {
  const char* dir = std::getenv("NORDA_BINARY_DIR");
  return dir ? dir : NORDA_TEST_BINARY_DIR;
}

}  // namespace norda::test
