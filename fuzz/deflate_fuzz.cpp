// The deflate compressor on any input, at any level, read in any pieces and
// flushed through output buffers of any size; short inputs are stretched past
// the window's slide. zlib's inflate must give the input back, and under 4096
// bytes (before a block may end early) the stream is zlib's at the level.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/zip/deflate.h"
#include "support/check.h"
#include "support/zlib_peer.h"

namespace {

using fuzz::Check;

// The input in pieces of at most readLimit bytes; every flush from call
// failingFlush (counted from 1; 0: none) on writes nothing.
struct Streams : norda::zip::DeflateStreams {
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, readLimit, input.size() - position});
    if (n == 0) return endMark ? norda::zip::kEndOfInput : 0;
    std::memcpy(buffer, input.data() + position, n);
    position += n;
    return n;
  }
  void Flush(const std::uint8_t* data, std::size_t& size) override {
    if (failingFlush != 0 && ++flushes >= failingFlush) {
      refused = refused || size > 0;
      return;
    }
    output.append(reinterpret_cast<const char*>(data), size);
    size = 0;
  }
  std::string input, output;
  std::size_t readLimit, failingFlush, position = 0, flushes = 0;
  bool endMark, refused = false;  // refused: a flush wrote nothing of what it was given
};

std::string Stretched(const std::string& data, int copies) {
  std::string out = data;
  for (int i = 1; i <= copies && !data.empty(); ++i) {
    std::string copy = data;
    copy[(i * 7919u) % copy.size()] ^= static_cast<char>(i);
    out += copy;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int level = input.ConsumeIntegralInRange(0, 9);
  const std::size_t outputSize =
      input.ConsumeBool() ? 16384 : input.ConsumeIntegralInRange<std::size_t>(2, 40000);
  const std::size_t readLimit =
      input.ConsumeBool() ? SIZE_MAX : input.ConsumeIntegralInRange<std::size_t>(1, 70000);
  const bool endMark = input.ConsumeBool();
  const std::uint8_t failing = input.ConsumeIntegral<std::uint8_t>();
  const std::size_t failingFlush = failing < 8 ? failing : 0;
  const int copies = input.ConsumeIntegralInRange(0, 255);
  const std::uint16_t flagsBefore = input.ConsumeIntegral<std::uint16_t>();
  const std::string source = Stretched(input.ConsumeRemainingBytesAsString(), copies % 64 == 0 ? copies : 0);

  Streams streams;
  streams.input = source;
  streams.readLimit = readLimit;
  streams.failingFlush = failingFlush;
  streams.endMark = endMark;
  std::vector<std::uint8_t> buffer(outputSize);
  std::uint16_t flags = flagsBefore;
  const norda::zip::DeflateResult result =
      norda::zip::DeflateEntry(level, flags, streams, buffer.data(), buffer.size());

  if (streams.refused) {
    Check(result.error != nullptr && std::strcmp(result.error, norda::zip::kDeflateOutputFailed) == 0,
          "a failed flush is not in the error slot");
    return 0;
  }
  Check(result.error == nullptr || std::strcmp(result.error, norda::zip::kDeflateOutputFailed) != 0,
        "an output failure reported though every flush wrote");
  const bool inRange = level >= 1 && level <= 8;
  if (inRange) {
    Check(result.error == nullptr, "an error at a valid level");
    const std::uint16_t bit = level <= 2 ? 4 : level == 8 ? 2 : 0;
    Check(flags == (flagsBefore | bit), "the entry's flags are not those of the level");
  } else {
    Check(result.error != nullptr && std::strcmp(result.error, "bad pack level") == 0,
          "a level out of range is not reported");
    Check(flags == flagsBefore, "a level out of range changed the flags");
  }
  Check(result.compressedSize == streams.output.size(), "the reported size is not the size written");
  const std::size_t n = source.size();
  Check(streams.output.size() <= n + n / 8 + 8 * (n / 4096 + 1) + 8, "the output grew past its bound");
  std::string inflated;
  Check(norda::test::InflateRaw(streams.output, inflated).empty(), "zlib cannot inflate the stream");
  Check(inflated == source, "inflating does not give the input back");
  Check(n >= 4096 || streams.output == norda::test::DeflateRaw(source, std::clamp(level, 1, 8)),
        "a stream of under 4096 bytes differs from zlib's at the level (or the nearest one in range)");
  return 0;
}
