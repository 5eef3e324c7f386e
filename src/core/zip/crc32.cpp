// Slicing by 8: eight tables, where table k gives the CRC of a byte followed
// by k zero bytes, fold eight input bytes into the CRC per step with eight
// independent lookups instead of eight dependent ones.
#include "core/zip/crc32.h"

namespace norda::zip {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

struct Crc32Tables {
  std::uint32_t table[8][256];
};

constexpr Crc32Tables MakeTables() {
  Crc32Tables t{};
  for (std::uint32_t n = 0; n < 256; n++) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; k++) c = (c & 1) ? kPolynomial ^ (c >> 1) : c >> 1;
    t.table[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; n++) {
    for (int k = 1; k < 8; k++) {
      const std::uint32_t c = t.table[k - 1][n];
      t.table[k][n] = (c >> 8) ^ t.table[0][c & 0xFF];
    }
  }
  return t;
}

constexpr Crc32Tables kTables = MakeTables();

inline std::uint32_t Load32LittleEndian(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  const auto& t = kTables.table;
  std::uint32_t c = ~crc;
  while (size >= 8) {
    const std::uint32_t low = Load32LittleEndian(data) ^ c;
    const std::uint32_t high = Load32LittleEndian(data + 4);
    c = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
        t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    data += 8;
    size -= 8;
  }
  while (size-- != 0) c = t[0][(c ^ *data++) & 0xFF] ^ (c >> 8);
  return ~c;
}

}  // namespace norda::zip
