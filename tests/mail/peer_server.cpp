#include "mail/peer_server.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/support/text.h"
#include "os/files.h"
#include "support/test_files.h"

namespace norda::test {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Writes <base>.sh, which runs the command line followed by the given shell
// text, and starts it.
bool StartScript(const std::u16string& base, const Lines& commandLine, const std::string& then) {
  std::string script;
  for (const std::string& argument : commandLine) script += Quoted(argument) + " ";
  WriteBytes(base + u".sh", script + then + "\n");
  return StartShell(PeerPath(base + u".sh"));
}

std::u16string NewBase(const ScratchFolder& folder) {
  static unsigned serial = 0;
  return folder / (u"peer" + DecimalText(++serial));
}

}  // namespace

std::string PeersFolder() {
  const char* source = std::getenv("NORDA_SOURCE_DIR");
  return std::string(source && *source ? source : NORDA_TEST_SOURCE_DIR) + "/tests/peers";
}

bool WaitForFile(const std::u16string& path, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!os::PathExists(path)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

PeerServer::PeerServer(const std::string& script, const Lines& arguments, const ScratchFolder& folder) {
  const std::u16string base = NewBase(folder);
  stopFile_ = base + u".stop";
  exitedFile_ = base + u".exited";
  Lines command = {"/usr/bin/python3", PeersFolder() + "/" + script, "--port-file",
                   PeerPath(base + u".port")};
  command.insert(command.end(), {"--stop-file", PeerPath(stopFile_), "--exited-file", PeerPath(exitedFile_)});
  command.insert(command.end(), arguments.begin(), arguments.end());
  running_ = StartScript(base, command, "");
  if (!running_ || !WaitForFile(base + u".port", 30)) return;
  std::ifstream in(NativeFsPath(base + u".port"));
  if (!(in >> port_)) port_ = 0;
}

void PeerServer::Stop() {
  if (!running_) return;
  running_ = false;
  std::ofstream(NativeFsPath(stopFile_)) << "stop\n";  // no throw: Stop runs in the destructor
  WaitForFile(exitedFile_, 15);
}

HostResult RunOnHost(const Lines& commandLine, const ScratchFolder& folder) {
  const std::u16string base = NewBase(folder);
  const std::string status = Quoted(PeerPath(base + u".status"));
  // The status file takes its name once it is whole.
  HostResult result;
  if (!StartScript(base, commandLine,
                   ">" + Quoted(PeerPath(base + u".out")) + " 2>&1; echo $? >" + status + ".tmp; mv " +
                       status + ".tmp " + status) ||
      !WaitForFile(base + u".status", 120)) {
    return result;
  }
  result.status = std::atoi(ReadBytes(base + u".status").c_str());
  result.output = ReadBytes(base + u".out");
  return result;
}

}  // namespace norda::test
