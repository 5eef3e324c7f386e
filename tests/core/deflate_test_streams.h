// In-memory streams for compressor tests, and the test inputs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/zip/deflate.h"

namespace norda::test {

// Input from a string in pieces of at most readLimit bytes; output collected
// in a string. Flush can be made to fail from a given call on.
class MemoryStreams : public zip::DeflateStreams {
 public:
  explicit MemoryStreams(std::string input, std::size_t readLimit = SIZE_MAX)
      : input_(std::move(input)), readLimit_(readLimit) {}

  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t left = input_.size() - position_;
    if (left == 0) return endMark;
    std::size_t n = size < readLimit_ ? size : readLimit_;
    if (n > left) n = left;
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
  std::size_t readLimit_;
  std::size_t position_ = 0;
};

struct Compressed {
  std::string bytes;
  zip::DeflateResult result;
  std::uint16_t flags = 0;
};

inline Compressed CompressString(const std::string& input, int level, std::size_t readLimit = SIZE_MAX) {
  MemoryStreams streams(input, readLimit);
  std::vector<std::uint8_t> buffer(16384);
  Compressed c;
  c.result = zip::DeflateEntry(level, c.flags, streams, buffer.data(), buffer.size());
  c.bytes = streams.output;
  return c;
}

// Deterministic inputs (a fixed linear congruential generator, so every build
// and run sees the same bytes).
class TestRandom {
 public:
  explicit TestRandom(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return state_ >> 8;
  }

 private:
  std::uint32_t state_;
};

inline std::string RandomBytes(std::size_t size, std::uint32_t seed) {
  TestRandom random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random.Next());
  return s;
}

// Log-like text: lines from a small vocabulary with numbers, so it has
// matches of every length and distance.
inline std::string LogText(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"error",  "warning", "module", "address", "thread", "drawing",
                                       "layer",  "entity",  "open",   "failed",  "0x7ffe", "stack",
                                       "frame",  "call",    "return", "memory",  "page",   "block"};
  TestRandom random(seed);
  std::string s;
  while (s.size() < size) {
    s += "[" + std::to_string(10000 + random.Next() % 90000) + "] ";
    const unsigned words = 3 + random.Next() % 9;
    for (unsigned i = 0; i < words; i++) {
      s += kWords[random.Next() % (sizeof kWords / sizeof kWords[0])];
      s += i + 1 < words ? " " : "\r\n";
    }
  }
  s.resize(size);
  return s;
}

}  // namespace norda::test
