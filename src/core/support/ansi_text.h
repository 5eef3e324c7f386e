// 8-bit text in a code page of single and double bytes (archive entry names,
// the mail's attachment paths), looked at character by character: the second
// byte of a double-byte character may be that of "\" or of a letter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace norda {

// Position of the last character of text that is one of the ASCII characters
// in characters; npos when there is none.
std::size_t FindLastAnsiOf(std::string_view text, std::string_view characters,
                           std::uint32_t codePage);

// Every character from (an ASCII character) replaced by to.
void ReplaceAnsi(std::string& text, char from, char to, std::uint32_t codePage);

}  // namespace norda
