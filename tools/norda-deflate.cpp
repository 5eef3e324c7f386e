// norda-deflate [-1..-8]: compresses standard input to standard output as a
// raw deflate stream (RFC 1951), with the archive writer's compressor at the
// given level (default 8).
//
// Exit status: 0 done, 1 read, write or compressor failure, 2 bad arguments.
#include <cstdint>
#include <string>
#include <vector>

#include "core/support/text.h"
#include "core/zip/deflate.h"
#include "os/standard_streams.h"

namespace {

constexpr int kDefaultLevel = 8;
constexpr std::size_t kOutputBufferSize = 16384;  // as the archive writer's working buffer

constexpr char kUsage[] =
    "usage: norda-deflate [-1..-8] < input > output\n"
    "Compresses standard input to standard output as raw deflate (default level 8).\n";

class StandardStreams : public norda::zip::DeflateStreams {
 public:
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    if (failed_) return norda::zip::kEndOfInput;
    const auto n = os::ReadStandardInput(buffer, size);
    if (!n) {
      failed_ = true;
      return norda::zip::kEndOfInput;
    }
    return *n;
  }
  void Flush(const std::uint8_t* data, std::size_t& size) override {
    if (os::WriteStandardOutput(data, size)) size = 0;
  }
  bool ReadFailed() const { return failed_; }

 private:
  bool failed_ = false;
};

int Run(const std::vector<std::string>& args) {
  int level = kDefaultLevel;
  if (args.size() > 1) {
    os::WriteStandardError(kUsage);
    return 2;
  }
  if (args.size() == 1) {
    const std::string& a = args[0];
    if (a.size() != 2 || a[0] != '-' || a[1] < '1' || a[1] > '8') {
      os::WriteStandardError("norda-deflate: bad argument \"" + a + "\"\n");
      os::WriteStandardError(kUsage);
      return 2;
    }
    level = a[1] - '0';
  }

  StandardStreams streams;
  std::vector<std::uint8_t> buffer(kOutputBufferSize);
  std::uint16_t flags = 0;
  const norda::zip::DeflateResult result =
      norda::zip::DeflateEntry(level, flags, streams, buffer.data(), buffer.size());
  if (streams.ReadFailed()) {
    os::WriteStandardError("norda-deflate: cannot read standard input\n");
    return 1;
  }
  if (result.error != nullptr) {
    os::WriteStandardError(std::string("norda-deflate: ") + result.error + "\n");
    return 1;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; i++) {
    args.push_back(norda::Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  return Run(args);
}
#else
int main(int argc, char** argv) {
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
