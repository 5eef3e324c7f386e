// CRC-32 against the published check values of the ZIP CRC (reflected
// 0xEDB88320, initial and final all ones), on every build.
#include <gtest/gtest.h>

#include <string>

#include "core/zip/crc32.h"

namespace norda::test {
namespace {

std::uint32_t Crc(const std::string& s, std::uint32_t start = 0) {
  return zip::Crc32Update(start, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(Crc32, KnownValues) {
  struct Case {
    std::string input;
    std::uint32_t crc;
  };
  const Case cases[] = {
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"123456789", 0xCBF43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
      {std::string(32, '\0'), 0x190A55ADu},
      {std::string(32, '\xFF'), 0xFF6CAB0Bu},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Crc(c.input), c.crc) << c.input;
  }
}

// Feeding the bytes in two pieces, split anywhere, gives the same value:
// catches a tail or head handled apart from the 8-byte steps.
TEST(Crc32, PiecesGiveTheSameValue) {
  const std::string text = "The quick brown fox jumps over the lazy dog";
  for (std::size_t split = 0; split <= text.size(); split++) {
    EXPECT_EQ(Crc(text.substr(split), Crc(text.substr(0, split))), 0x414FA339u) << split;
  }
}

}  // namespace
}  // namespace norda::test
