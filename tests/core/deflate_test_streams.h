// In-memory streams for compressor tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/zip/deflate.h"
#include "support/test_inputs.h"

namespace norda::test {

// Input from a string; output collected in a string. Flush can be made to
// fail from a given call on.
class MemoryStreams : public zip::DeflateStreams {
 public:
  explicit MemoryStreams(std::string input) : input_(std::move(input)) {}

  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t left = input_.size() - position_;
    if (left == 0) return endMark;
    const std::size_t n = size < left ? size : left;
    for (std::size_t i = 0; i < n; i++) buffer[i] = static_cast<std::uint8_t>(input_[position_ + i]);
    position_ += n;
    return n;
  }

  void Flush(const std::uint8_t* data, std::size_t& size) override {
    flushSizes.push_back(size);
    if (failFlushFrom >= 0 && static_cast<int>(flushSizes.size()) > failFlushFrom) return;
    output.append(reinterpret_cast<const char*>(data), size);
    size = 0;
  }

  std::string output;
  std::vector<std::size_t> flushSizes;
  int failFlushFrom = -1;                // 0-based call from which Flush writes nothing
  std::size_t endMark = 0;               // what Read returns at the end (0 or kEndOfInput)

 private:
  std::string input_;
  std::size_t position_ = 0;
};

struct Compressed {
  std::string bytes;
  zip::DeflateResult result;
  std::uint16_t flags = 0;
};

inline Compressed CompressString(const std::string& input, int level) {
  MemoryStreams streams(input);
  std::vector<std::uint8_t> buffer(16384);
  Compressed c;
  c.result = zip::DeflateEntry(level, c.flags, streams, buffer.data(), buffer.size());
  c.bytes = streams.output;
  return c;
}

}  // namespace norda::test
