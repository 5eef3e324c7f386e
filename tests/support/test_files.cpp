#include "support/test_files.h"

#include <cstdio>
#include <stdexcept>

#include "core/support/text.h"
#include "os/files.h"

namespace norda::test {

void WriteBytes(const std::u16string& path, const std::string& bytes) {
  if (!os::WriteWholeFile(path, bytes)) {
    throw std::runtime_error("cannot write " + Utf16ToUtf8(path));
  }
}

std::string ReadBytes(const std::u16string& path) {
  std::string bytes;
  if (!os::ReadWholeFile(path, bytes)) throw std::runtime_error("cannot read " + Utf16ToUtf8(path));
  return bytes;
}

std::string Utf16LeBytes(const std::u16string& text, bool withBom) {
  std::string bytes;
  if (withBom) bytes += "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::string Printable(std::u16string_view text) {
  std::string out;
  char escaped[8];
  for (const char16_t c : text) {
    std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
    out += c >= 0x20 && c < 0x7F && c != u'\\' ? std::string(1, static_cast<char>(c)) : std::string(escaped);
  }
  return out;
}

}  // namespace norda::test
