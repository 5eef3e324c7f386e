// Base64 of the report mail against coreutils `base64`, on the same data in
// the same run. Both read a file and write their text to /dev/null: ours the
// way the mail does it (chunks of 11400 bytes, lines of 76 characters and
// CR LF), coreutils with `base64 -w 76`. Prints the best of several runs and
// the time ratio (ours / coreutils; at most 1.0 is the bar), after checking
// that both produce the same Base64 text.
//
// Usage: base64_bench [megabytes]   (default 64)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/mail/base64.h"
#include "core/mail/mime_message.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

// Report-like data: a text crash log, a dump with zero pages and pointers,
// and random bytes (a compressed archive), in equal thirds.
std::string MakeData(std::size_t size) {
  std::mt19937_64 generator(20120301);
  std::string data;
  data.reserve(size);
  const std::size_t third = size / 3;
  while (data.size() < third) {
    data += "2012-03-01 10:00:0" + std::to_string(generator() % 10) +
            " NORDA.EXE access violation at 0x" + std::to_string(generator() % 0xFFFFFF) +
            " in module CADCORE.DLL\r\n";
  }
  while (data.size() < 2 * third) {
    if (generator() % 4 == 0) {
      data.append(4096, '\0');
    } else {
      for (int i = 0; i < 512; ++i) {
        const std::uint64_t pointer = 0x00400000 + (generator() % 0x100000) * 8;
        data.append(reinterpret_cast<const char*>(&pointer), 8);
      }
    }
  }
  while (data.size() < size) {
    const std::uint64_t word = generator();
    data.append(reinterpret_cast<const char*>(&word), 8);
  }
  data.resize(size);
  return data;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// Our side: read the file in attachment chunks, encode, write each piece.
double OursSeconds(const std::string& input, const std::string& output) {
  const auto start = Clock::now();
  const int in = open(input.c_str(), O_RDONLY);
  const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) std::exit(2);
  std::vector<unsigned char> chunk(norda::kAttachmentChunkBytes);
  std::string piece;
  for (;;) {
    std::size_t got = 0;
    while (got < chunk.size()) {
      const ssize_t n = read(in, chunk.data() + got, chunk.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got == 0) break;
    norda::Base64EncodeTo(chunk.data(), got, piece);
    if (write(out, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) std::exit(2);
    if (got < chunk.size()) break;
  }
  close(in);
  close(out);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The peer: coreutils base64 with the same line length, output to a file.
double CoreutilsSeconds(const std::string& input, const std::string& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const char* argv[] = {"base64", "-w", "76", input.c_str(), nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "base64", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::fprintf(stderr, "cannot run base64\n");
    std::exit(2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(2);
  return seconds;
}

std::string ReadFile(const std::string& path) {
  std::string bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

std::string WithoutLineEnds(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
             text.end());
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
  char folder[] = "/tmp/norda-base64-bench.XXXXXX";
  if (!mkdtemp(folder)) return 2;
  const std::string input = std::string(folder) + "/report.bin";
  const std::string ours = std::string(folder) + "/ours.txt";
  const std::string theirs = std::string(folder) + "/coreutils.txt";
  if (!WriteFile(input, MakeData(megabytes << 20))) return 2;

  // Same text from both (apart from the line ends: CR LF for the mail, LF for coreutils).
  OursSeconds(input, ours);
  CoreutilsSeconds(input, theirs);
  const bool same = WithoutLineEnds(ReadFile(ours)) == WithoutLineEnds(ReadFile(theirs));

  // Output to /dev/null for the timed runs, alternating, best of each.
  double bestOurs = 1e9, bestTheirs = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    bestOurs = std::min(bestOurs, OursSeconds(input, "/dev/null"));
    bestTheirs = std::min(bestTheirs, CoreutilsSeconds(input, "/dev/null"));
  }
  std::remove(input.c_str());
  std::remove(ours.c_str());
  std::remove(theirs.c_str());
  rmdir(folder);

  const double mb = static_cast<double>(megabytes);
  std::printf("base64: %zu MB of report-like data, best of %d runs, output to /dev/null\n",
              megabytes, kRuns);
  std::printf("  %-22s %8.1f ms  %8.0f MB/s\n", "ours (11400-byte chunks)", bestOurs * 1e3,
              mb / bestOurs);
  std::printf("  %-22s %8.1f ms  %8.0f MB/s\n", "coreutils base64 -w 76", bestTheirs * 1e3,
              mb / bestTheirs);
  std::printf("  time ratio ours / coreutils: %.2f (bar: at most 1.00)\n", bestOurs / bestTheirs);
  std::printf("  same Base64 text: %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
