// Test data for the compressor and archive tests, the same in every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace norda::test {

// A fixed linear congruential generator.
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
