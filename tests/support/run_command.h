// Runs a command of this machine (Linux tests only) and captures its output.
#pragma once

#include <string>
#include <vector>

namespace norda::test {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error
};

// Runs program with arguments (no shell), waiting at most timeoutSeconds.
CommandResult RunCommand(const std::vector<std::string>& arguments, int timeoutSeconds = 60);

// The source tree's root and this build's folder (NORDA_SOURCE_DIR and
// NORDA_BINARY_DIR when set, else the folders this program was built from).
std::string SourceDir();
std::string BinaryDir();

}  // namespace norda::test
