// 8-bit text in a code page of single and double bytes (archive entry names),
// looked at character by character: the second byte of a double-byte
// character may be that of "\" or of a letter.
#pragma once

#include <cstdint>
#include <string>

namespace norda {

// Every character from (an ASCII character) replaced by to.
void ReplaceAnsi(std::string& text, char from, char to, std::uint32_t codePage);

}  // namespace norda
