// Slicing by 8: eight tables, where table k gives the CRC of a byte followed
// by k zero bytes, fold eight input bytes into the CRC per step with eight
// independent lookups instead of eight dependent ones. Large inputs go three
// lanes at a time: three stretches are folded side by side, so that the
// processor works on three independent chains of lookups, and their CRCs are
// joined at the end of each round (the CRC register is linear: the register
// after a stretch of n bytes is the register before it times x^(8n), plus the
// stretch's own CRC from zero, over GF(2) modulo the polynomial).
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

// a times b modulo the polynomial, in the reflected bit order (x^0 is the
// top bit).
constexpr std::uint32_t MultiplyModulo(std::uint32_t a, std::uint32_t b) {
  std::uint32_t product = 0;
  for (std::uint32_t bit = 0x80000000u; bit != 0; bit >>= 1) {
    if (a & bit) product ^= b;
    b = (b & 1) ? (b >> 1) ^ kPolynomial : b >> 1;
  }
  return product;
}

// One lane's stretch per round: 2^13 bytes, so that shifting by a stretch is
// x^(2^16) and shifting by two is x^(2^17), found by squaring x.
constexpr std::size_t kLaneBytes = std::size_t{1} << 13;

constexpr std::uint32_t XToThePowerOfTwo(int k) {
  std::uint32_t p = 0x40000000u;  // x
  for (int i = 0; i < k; ++i) p = MultiplyModulo(p, p);
  return p;
}

constexpr std::uint32_t kShiftOneLane = XToThePowerOfTwo(16);   // x^(8 * 2^13)
constexpr std::uint32_t kShiftTwoLanes = XToThePowerOfTwo(17);  // x^(8 * 2^14)

inline std::uint32_t Load32LittleEndian(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

inline std::uint32_t Fold8(const Crc32Tables& tables, std::uint32_t c, const std::uint8_t* data) {
  const auto& t = tables.table;
  const std::uint32_t low = Load32LittleEndian(data) ^ c;
  const std::uint32_t high = Load32LittleEndian(data + 4);
  return t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
         t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
}

}  // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = ~crc;
  while (size >= 3 * kLaneBytes) {
    std::uint32_t b = 0, d = 0;
    const std::uint8_t* second = data + kLaneBytes;
    const std::uint8_t* third = data + 2 * kLaneBytes;
    for (std::size_t i = 0; i < kLaneBytes; i += 8) {
      c = Fold8(kTables, c, data + i);
      b = Fold8(kTables, b, second + i);
      d = Fold8(kTables, d, third + i);
    }
    c = MultiplyModulo(c, kShiftTwoLanes) ^ MultiplyModulo(b, kShiftOneLane) ^ d;
    data += 3 * kLaneBytes;
    size -= 3 * kLaneBytes;
  }
  while (size >= 8) {
    c = Fold8(kTables, c, data);
    data += 8;
    size -= 8;
  }
  while (size-- != 0) c = kTables.table[0][(c ^ *data++) & 0xFF] ^ (c >> 8);
  return ~c;
}

}  // namespace norda::zip
