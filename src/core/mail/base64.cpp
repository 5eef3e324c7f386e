#include "core/mail/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace norda {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kGroupsPerLine = kBase64LineBytes / 3;

// Every 12-bit value as its two characters: a group of three bytes is two
// look-ups and two 2-byte copies instead of four shifts and four look-ups.
struct PairTable {
  std::array<char, 4096 * 2> chars{};
  constexpr PairTable() {
    for (std::size_t v = 0; v < 4096; ++v) {
      chars[2 * v] = kAlphabet[v >> 6];
      chars[2 * v + 1] = kAlphabet[v & 63];
    }
  }
};
constexpr PairTable kPairs;

inline char* EncodeGroup(const unsigned char* in, char* out) {
  const std::uint32_t bits = (std::uint32_t(in[0]) << 16) | (std::uint32_t(in[1]) << 8) | in[2];
  std::memcpy(out, &kPairs.chars[2 * (bits >> 12)], 2);
  std::memcpy(out + 2, &kPairs.chars[2 * (bits & 0xFFF)], 2);
  return out + 4;
}

}  // namespace

std::size_t Base64EncodedSize(std::size_t length) {
  const std::size_t groups = length / 3;
  return groups * 4 + (groups / kGroupsPerLine) * 2 + (length % 3 ? 4 : 0);
}

void Base64EncodeTo(const void* bytes, std::size_t length, std::string& out) {
  out.resize(Base64EncodedSize(length));
  const auto* in = static_cast<const unsigned char*>(bytes);
  char* o = out.data();
  // Whole lines: 19 groups of three bytes, then CR LF.
  std::size_t lines = length / kBase64LineBytes;
  for (; lines > 0; --lines) {
    for (std::size_t g = 0; g < kGroupsPerLine; ++g) {
      o = EncodeGroup(in, o);
      in += 3;
    }
    *o++ = '\r';
    *o++ = '\n';
  }
  // The groups of the last, shorter line.
  std::size_t rest = length % kBase64LineBytes;
  for (; rest >= 3; rest -= 3) {
    o = EncodeGroup(in, o);
    in += 3;
  }
  if (rest == 1) {
    *o++ = kAlphabet[in[0] >> 2];
    *o++ = kAlphabet[(in[0] & 3) << 4];
    *o++ = '=';
    *o++ = '=';
  } else if (rest == 2) {
    *o++ = kAlphabet[in[0] >> 2];
    *o++ = kAlphabet[((in[0] & 3) << 4) | (in[1] >> 4)];
    *o++ = kAlphabet[(in[1] & 15) << 2];
    *o++ = '=';
  }
}

std::string Base64Encode(const void* bytes, std::size_t length) {
  std::string out;
  Base64EncodeTo(bytes, length, out);
  return out;
}

}  // namespace norda
