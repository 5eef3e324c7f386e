// Base64 (RFC 4648 section 4, the standard alphabet, "=" padding) in lines of
// 76 characters ended by CR LF (the longest line RFC 2045 section 6.8 allows),
// as the report mail and AUTH LOGIN carry it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norda {

// Characters per line; 57 input bytes fill one line exactly.
constexpr std::size_t kBase64LineChars = 76;
constexpr std::size_t kBase64LineBytes = 57;

// The Base64 text of the bytes. A CR LF follows every 76th character (also
// at the very end); the padded last group is never followed by one.
std::string Base64Encode(const void* bytes, std::size_t length);
inline std::string Base64Encode(std::string_view bytes) {
  return Base64Encode(bytes.data(), bytes.size());
}

// The same into out, replacing its contents (its storage is reused, so a
// stream of chunks is encoded without new allocations).
void Base64EncodeTo(const void* bytes, std::size_t length, std::string& out);

// Length of Base64Encode's result for a given input length.
std::size_t Base64EncodedSize(std::size_t length);

}  // namespace norda
