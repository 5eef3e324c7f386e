// Small file helpers for tests.
#pragma once

#include <string>
#include <string_view>

namespace norda::test {

// Writes bytes to a file (replacing it); throws when it cannot.
void WriteBytes(const std::u16string& path, const std::string& bytes);
// Reads a whole file; throws when it cannot.
std::string ReadBytes(const std::u16string& path);
// Text as UTF-16 little-endian bytes, optionally behind a byte-order mark.
std::string Utf16LeBytes(const std::u16string& text, bool withBom);
// Text for a failure message: printable ASCII as it is, every other unit as "\uXXXX".
std::string Printable(std::u16string_view text);

}  // namespace norda::test
